#pragma once

#include <cstdint>
#include <vector>

#include "map/bounds.h"

struct LoadProgress;

// The entries every road-graph, search and route-flag array has at least. A
// map of at most GRAPH_CAPACITY - 1 points and GRAPH_CAPACITY adjacency
// entries fits them as they are and is searched by passes of edge
// relaxation; the arrays grow to fit a larger map, which is searched by a
// priority queue instead.
constexpr int32_t GRAPH_CAPACITY = 100000;

// The most points, segments or adjacency entries a map may have: counts,
// codes and indices are signed 32-bit, and the count plus one (a graph's
// closing list start, the search's "not reached" result) must fit too.
constexpr int32_t MAP_ITEM_LIMIT = 2147483646;

// Map bounds over every point and segment vertex: X and the negated Y (see
// NegateY), so minNegY is minus the largest Y. All 0 before the first build
// and after a build without points.
extern int32_t minX;
extern int32_t minNegY;
extern int32_t maxX;
extern int32_t maxNegY;

// The road graph in compressed form. The entries of the point at index i are
// [nodeStart[i], nodeStart[i + 1]), in segment table order; each names the
// neighbour by its code, the segment's weight (its length, or its duration
// while graphWeighsDurations) and the segment's index.
// nodeStart[nodeCount] == adjCount. Each array has at least GRAPH_CAPACITY
// entries and grows to fit the map: an install keeps the entries past those
// bounds as an earlier, larger map left them, while TakeRoadGraph
// (route/directed_graph.h) takes the arrays away, leaving GRAPH_CAPACITY
// zeros.
extern int32_t nodeCount;
extern int32_t adjCount;
extern std::vector<int32_t> nodeStart;
extern std::vector<int32_t> adjNode;
extern std::vector<int32_t> adjLength;
extern std::vector<int32_t> adjSegment;

// Whether BuildRoadGraph weighs the entries by the segments' durations
// (when the map has them) instead of their lengths: the fastest routes
// instead of the shortest.
extern bool graphWeighsDurations;

// Changes whenever the road graph may no longer be the one a route search
// ran on: every build, every ClearMapStore and the start of every load.
extern uint32_t graphGeneration;

// A road graph and its bounds built aside from the program-wide ones, to be
// installed where no search or drawing may be reading them: nodeStart has
// nodeCount + 1 entries, the three entry arrays nodeStart[nodeCount] each.
struct RoadGraph {
  Bounds bounds{};
  int32_t nodeCount = 0;
  std::vector<int32_t> nodeStart, adjNode, adjLength, adjSegment;
};

// Builds the bounds and the road graph of the map store, touching neither
// the program-wide bounds nor the graph. Point i's list
// holds, for every segment j in table order that names its code, one entry:
// the neighbour is To when only From matches, From otherwise (a loop gives a
// single entry naming the point itself). A one-way segment is entered only
// in the list of the end it may be left from. Each entry weighs the
// segment's length, or its duration (see graphWeighsDurations). Points
// sharing a code get the same list; a segment end that matches no point adds
// nothing. Runs in time linear in points plus segments, on both cores. A map
// needing more than MAP_ITEM_LIMIT entries raises Exception, one whose arrays
// cannot be had EOutOfMemory, and a cancel through progress ELoadCancelled.
// vertexBounds, when given, are the bounds of every segment vertex, as a
// load that read all of them knows them: the vertices are then not read
// again.
RoadGraph BuildRoadGraphAside(LoadProgress* progress = nullptr, const Bounds* vertexBounds = nullptr);

// Puts graph in place of the program-wide bounds and road graph (its arrays
// are taken or copied) and changes graphGeneration.
void InstallRoadGraph(RoadGraph& graph);

// Builds the bounds and the road graph aside and installs them: on any
// failure the earlier bounds and graph stay as they were.
void BuildRoadGraph(LoadProgress* progress = nullptr, const Bounds* vertexBounds = nullptr);
