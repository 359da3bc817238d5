#pragma once

#include <cstdint>
#include <vector>

#include "map/road_graph.h"
#include "route/route_path.h"

// The search's working arrays, indexed by point code (frontier and
// nextFrontier by position). They persist between searches; each has at
// least GRAPH_CAPACITY entries and grows, never shrinking, to fit the graph
// searched. Nothing outside the search reads them: the last route is read
// through RouteCodes, RouteSegments and RouteLength.
extern std::vector<int32_t> bestDistance;
extern std::vector<int32_t> prevNode;
extern std::vector<int32_t> prevSegment;
extern std::vector<int32_t> passSeen;
extern std::vector<int32_t> frontier;
extern std::vector<int32_t> nextFrontier;

// The last route found: 1 for every segment (by index) and every point (by
// index, code - 1) on it, else 0. At least GRAPH_CAPACITY entries each,
// grown to fit the graph searched. Cleared with the map store and by a
// search from a new start; a search from the same start unmarks only the
// route it marked before. Only the searches here set a flag, and ViaRoute
// sets again those of routes they found: a clear reaches as far as any flag
// was ever set, not further.
extern std::vector<int32_t> segmentOnRoute;
extern std::vector<int32_t> pointOnRoute;

// The counter ticks the last search spent finding its route (the walk back
// and the marking not included).
extern int64_t routeTicks;

// The result of FindRoute when the target was never reached: the larger of
// 100000 and pointCount + 1, so that no route of the map is taken for it.
int32_t RouteNotFound();

// Grows the search's working arrays and the route flags to fit the graph
// and the point table now (every search does so first), so that a caller
// can pay for it before the search it times.
void FitSearchArrays();

// Sets the route flags of the points with route's codes and of its
// segments to value, those with a flag, as a search marks its route: how a
// route found by several searches (ViaRoute) marks the parts that searches
// before the last found.
void FlagRoute(const RoutePath& route, int32_t value);

// Clears both route flag arrays; the last route is then none.
void ClearRouteMarks();

// Empties the map store (ClearMapStore) and clears the route marks, so that
// no route of the closed map is painted on the next one: what closing a map
// or starting a load does.
void ClearMapAndRoute();

// Finds the shortest route over the road graph from the point with code
// startCode to the point with code targetCode. Records the counter ticks
// the search took in routeTicks, marks the route's points and segments and
// returns its number of points (1 when the codes are equal). When the target
// is never reached it marks nothing and returns RouteNotFound(). Includes
// nothing of the window: the caller shows what it wants of the result.
//
// A graph of at most GRAPH_CAPACITY - 1 points and GRAPH_CAPACITY entries is
// searched by passes of edge relaxation over the points improved in the
// previous pass, stopping once no later pass can shorten the route to the
// target. A larger one is searched by Dijkstra's algorithm: points settled
// in order of (distance, code) from a binary heap, until the target is
// settled; an equal distance never replaces a predecessor.
//
// Neither search depends on the target, only its stopping test does. So
// from the same start on the same graph (see graphGeneration), a call goes
// on from where the calls before it stopped: when the target's route is
// already final it is only walked back and marked; otherwise the search
// runs on until it is. The route, its segments, which of several equal
// routes, the result and both flag arrays are exactly those of
// FindRouteDirect for every sequence of calls of the searches here; only
// the ticks differ, being those this call spent. (The flags a ViaRoute sets
// again for its legs stay with a search from the same start.) Codes outside
// 1..nodeCount, and a small graph with a negative length, take
// FindRouteDirect.
int32_t FindRoute(int32_t startCode, int32_t targetCode);

// The same search from scratch, for every call: resets the search arrays,
// searches from the start and clears both flag arrays before marking.
// Whatever the graph holds, it never reads or writes outside the arrays and
// always ends: start or target codes outside 1..nodeCount search nothing;
// entries naming a code outside 1..nodeCount are skipped; a distance that
// does not fit 32 bits below 2147483647 improves nothing; at most nodeCount
// passes run, and Dijkstra never reopens a settled point, so negative
// lengths cannot make either run forever. Ends any kept search.
int32_t FindRouteDirect(int32_t startCode, int32_t targetCode);

// The largest graph searched by passes: GRAPH_CAPACITY - 1 points and
// GRAPH_CAPACITY entries. Tests lower it, so that small graphs take the
// searches of large ones.
struct PassCapacity {
  int32_t points = GRAPH_CAPACITY - 1;
  int32_t entries = GRAPH_CAPACITY;
};
PassCapacity& PassSearchCapacity();

// Whether the road graph is searched by passes (within PassSearchCapacity)
// rather than by Dijkstra's algorithm or a contraction hierarchy.
bool GraphFitsPasses();

// Makes the walk given the last route, for a search other than FindRoute's:
// codes from start to target, each in 1..nodeCount (a walk may pass a point
// more than once), and the segment between each two. Unmarks the last route, as a search from the
// same start does, marks the walk's points and segments as FindRoute marks
// its route, and returns its number of points; an empty walk marks nothing
// and returns RouteNotFound(). Ends any kept search; routeTicks is the
// caller's to set.
int32_t MarkFoundRoute(const std::vector<int32_t>& codes, const std::vector<int32_t>& walkSegments);

// The last route a search found, from its start to its target: the codes of
// its points, the indices of the segments between them, and the sum of those
// segments' lengths (of those the segment table holds: after a failed load
// the graph may still be an earlier table's). Empty (0) when the last search
// found none, and after ClearRouteMarks.
std::vector<int32_t> RouteCodes();
std::vector<int32_t> RouteSegments();
int64_t RouteLength();

// The sum of the segments' lengths, of those the segment table holds.
int64_t LengthOf(const std::vector<int32_t>& route);
