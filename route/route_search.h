#pragma once

#include <cstdint>

#include "map/road_graph.h"

// The result of FindRoute when the target was never reached.
constexpr int32_t ROUTE_NOT_FOUND = 100000;

// The search's working arrays, indexed by point code (frontier and
// nextFrontier by position). They persist between searches and are never
// reallocated; nothing outside the search reads them.
extern int32_t bestDistance[GRAPH_CAPACITY];
extern int32_t prevNode[GRAPH_CAPACITY];
extern int32_t prevSegment[GRAPH_CAPACITY];
extern int32_t passSeen[GRAPH_CAPACITY];
extern int32_t frontier[GRAPH_CAPACITY];
extern int32_t nextFrontier[GRAPH_CAPACITY];

// The last route found: 1 for every segment (by index) and every point (by
// index, code - 1) on it, else 0. Rewritten in full by every search and
// cleared with the map store.
extern int32_t segmentOnRoute[GRAPH_CAPACITY];
extern int32_t pointOnRoute[GRAPH_CAPACITY];

// Clears both route flag arrays.
void ClearRouteMarks();

// Finds the shortest route over the road graph from the point with code
// startCode to the point with code targetCode, by passes of edge relaxation
// over the points improved in the previous pass, stopping once no later pass
// can shorten the route to the target. Shows the counter ticks the passes
// and the stopping test took in fMain's EditTime box, marks the route's
// points and segments and returns its number of points (1 when the codes
// are equal). When the target is never reached it marks nothing and returns
// ROUTE_NOT_FOUND.
//
// The passes do not depend on the target, only the stopping test does. So
// from the same start on the same graph (see graphGeneration), a call goes
// on from the passes the calls before it ran: when the test already held
// after one of them, the route is final and is only walked back and marked;
// otherwise further passes run until it holds. The route, its segments,
// which of several equal routes, the result and both flag arrays are
// exactly those of FindRouteDirect for every sequence of calls; only the
// ticks shown differ, being those this call spent. The last route is
// unmarked instead of both flag arrays cleared. Codes outside 1..nodeCount,
// and a graph with a negative length, take FindRouteDirect.
int32_t FindRoute(int32_t startCode, int32_t targetCode);

// The same search from scratch, for every call: resets the search arrays,
// runs the passes from the start and clears both flag arrays before
// marking. Whatever the graph holds, it never reads or writes outside the
// arrays and always ends: start or target codes outside 1..nodeCount run no
// pass; entries naming a code outside 1..nodeCount are skipped; a distance
// that does not fit 32 bits below 2147483647 improves nothing; at most
// nodeCount passes run, which every shortest route fits in, so negative
// lengths cannot make it run forever. Ends any kept search.
int32_t FindRouteDirect(int32_t startCode, int32_t targetCode);
