#pragma once

#include <cstdint>
#include <queue>
#include <utility>
#include <vector>

#include "route/directed_graph.h"

// Dijkstra's search over a DirectedGraph, owning its working arrays:
// points settled in order of (distance, code), an equal distance never
// replacing a predecessor. A search for another target from the same start
// on the same graph (its address, size and generation) goes on from where
// the last one stopped, with the same result as a search from scratch.
// Entries naming no point are skipped.
class GraphSearch {
 public:
  // The least weight of a walk from start to target, or -1 when there is
  // none (or a code names no point).
  int64_t Run(const DirectedGraph& graph, int32_t start, int32_t target);

  // The walk the last Run found to target: its points from the start and
  // the segment of each entry taken.
  void Walk(int32_t target, std::vector<int32_t>& points, std::vector<int32_t>& segments) const;

 private:
  void Start(const DirectedGraph& graph, int32_t start);

  const DirectedGraph* graph_ = nullptr;
  int32_t nodeCount_ = 0;
  uint32_t generation_ = 0;
  int32_t start_ = 0;
  std::vector<int64_t> distance_;     // by code; -1 unreached
  std::vector<int32_t> parentEntry_;  // the entry that reached a point, -1 at the start
  std::vector<int32_t> parent_;
  std::vector<uint8_t> settled_;
  using Item = std::pair<int64_t, int32_t>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> heap_;
};
