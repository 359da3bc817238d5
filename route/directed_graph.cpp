#include "route/directed_graph.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "map/road_graph.h"
#include "toolkit/exceptions.h"

DirectedGraph SnapshotRoadGraph() {
  try {
    DirectedGraph graph;
    graph.nodeCount = nodeCount;
    graph.nodeStart.assign(nodeStart.begin(), nodeStart.begin() + nodeCount + 1);
    graph.adjNode.assign(adjNode.begin(), adjNode.begin() + adjCount);
    graph.adjWeight.assign(adjLength.begin(), adjLength.begin() + adjCount);
    graph.adjSegment.assign(adjSegment.begin(), adjSegment.begin() + adjCount);
    graph.weighsDurations = graphWeighsDurations;
    graph.generation = graphGeneration;
    return graph;
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory copying the road graph of " + std::to_string(nodeCount) + " points");
  }
}

DirectedGraph TakeRoadGraph() {
  DirectedGraph graph;
  graph.nodeCount = nodeCount;
  graph.weighsDurations = graphWeighsDurations;
  graph.generation = graphGeneration;
  const auto take = [](std::vector<int32_t>& from, int32_t used, std::vector<int32_t>& into) {
    from.resize(static_cast<size_t>(used));  // shorter: the block stays
    into = std::move(from);
    from.assign(GRAPH_CAPACITY, 0);
  };
  take(nodeStart, nodeCount + 1, graph.nodeStart);
  take(adjNode, adjCount, graph.adjNode);
  take(adjLength, adjCount, graph.adjWeight);
  take(adjSegment, adjCount, graph.adjSegment);
  nodeCount = adjCount = 0;
  ++graphGeneration;
  return graph;
}

namespace {

uint64_t Mix(uint64_t h) {
  h ^= h >> 31;
  h *= 0x7fb5d329728ea185ULL;
  h ^= h >> 27;
  h *= 0x81dadef4bc2dd44dULL;
  return h ^ (h >> 33);
}

template <typename T>
uint64_t HashArray(const std::vector<T>& array, uint64_t seed) {
  return HashBytes(array.data(), array.size() * sizeof(T), seed);
}

}  // namespace

// Four independent lanes of multiply-xor over 8-byte words, folded at the
// end with the size, so that long arrays hash at memory speed.
uint64_t HashBytes(const void* data, size_t size, uint64_t seed) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  uint64_t lane[4] = {seed ^ 0x9e3779b97f4a7c15ULL, seed + 1, seed ^ 0xc2b2ae3d27d4eb4fULL, seed + 3};
  size_t at = 0;
  for (; at + 32 <= size; at += 32) {
    for (int k = 0; k < 4; ++k) {
      uint64_t word;
      std::memcpy(&word, bytes + at + 8 * k, 8);
      lane[k] = (lane[k] ^ word) * 0x100000001b3ULL + (lane[k] >> 29);
    }
  }
  uint64_t h = Mix(lane[0]) ^ Mix(lane[1] + 1) ^ Mix(lane[2] + 2) ^ Mix(lane[3] + 3) ^ size;
  for (; at < size; ++at) h = (h ^ bytes[at]) * 0x100000001b3ULL;
  return Mix(h);
}

uint64_t GraphHash(const DirectedGraph& graph) {
  uint64_t h = HashBytes(&graph.nodeCount, sizeof graph.nodeCount, graph.weighsDurations ? 2 : 1);
  for (const std::vector<int32_t>* array :
       {&graph.nodeStart, &graph.adjNode, &graph.adjWeight, &graph.adjSegment})
    h = HashArray(*array, h);
  return h;
}
