#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Whether code names one of the codeCount points of a graph: codes run from
// 1 to codeCount.
inline bool IsCode(int32_t code, int32_t codeCount) { return code >= 1 && code <= codeCount; }

// A copy of the road graph's directed weights, owned by whoever builds or
// checks a contraction hierarchy from it, so that a worker thread can do so
// while the window thread rebuilds or searches the road graph. The entries
// of the point with code c are [nodeStart[c - 1], nodeStart[c]), each naming
// the neighbour's code, the entry's weight (a length, or a duration when
// weighsDurations) and the segment's index, as in the road graph.
struct DirectedGraph {
  int32_t nodeCount = 0;
  std::vector<int32_t> nodeStart{0};
  std::vector<int32_t> adjNode, adjWeight, adjSegment;
  bool weighsDurations = false;
  // The road graph's generation the copy was taken at.
  uint32_t generation = 0;
};

// The road graph as it stands, copied. Raises EOutOfMemory when the copy
// cannot be had.
DirectedGraph SnapshotRoadGraph();

// The road graph, moved out of its arrays rather than copied, for a process
// that needs nothing else of the map: the arrays are left as at program
// start, with no graph (nodeCount and adjCount 0).
DirectedGraph TakeRoadGraph();

// A 64-bit hash of size bytes, chained on from seed: equal inputs give equal
// hashes on every run and machine of the same byte order.
uint64_t HashBytes(const void* data, size_t size, uint64_t seed);

// The hash of the graph: its node count, lists, weights, segments and
// whether it weighs durations. Names the graph's cached hierarchy.
uint64_t GraphHash(const DirectedGraph& graph);
