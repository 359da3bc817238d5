#pragma once

#include <cstdint>

// The fixed number of entries of every road-graph, search and route-flag
// array: a map has at most GRAPH_CAPACITY - 1 points and GRAPH_CAPACITY
// adjacency entries.
constexpr int32_t GRAPH_CAPACITY = 100000;

// Map bounds over every point and segment vertex: X and the negated Y (see
// NegateY), so minNegY is minus the largest Y. All 0 before the first build
// and after a build without points.
extern int32_t minX;
extern int32_t minNegY;
extern int32_t maxX;
extern int32_t maxNegY;

// The road graph in compressed form. The entries of the point at index i are
// [nodeStart[i], nodeStart[i + 1]), in segment table order; each names the
// neighbour by its code, the segment's length and the segment's index.
// nodeStart[nodeCount] == adjCount. Entries past those bounds keep what an
// earlier, larger map left there.
extern int32_t nodeCount;
extern int32_t adjCount;
extern int32_t nodeStart[GRAPH_CAPACITY];
extern int32_t adjNode[GRAPH_CAPACITY];
extern int32_t adjLength[GRAPH_CAPACITY];
extern int32_t adjSegment[GRAPH_CAPACITY];

// Changes whenever the road graph may no longer be the one a route search
// ran on: every build, every ClearMapStore and the start of every load.
extern uint32_t graphGeneration;

// Rebuilds the bounds and the road graph from the map store. Point i's list
// holds, for every segment j in table order that names its code, one entry:
// the neighbour is To when only From matches, From otherwise (a loop gives a
// single entry naming the point itself). Points sharing a code get the same
// list; a segment end that matches no point adds nothing. Runs in time linear
// in points plus segments. A map needing more than GRAPH_CAPACITY - 1 points
// or GRAPH_CAPACITY entries raises Exception before anything is written.
void BuildRoadGraph();
