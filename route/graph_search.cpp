#include "route/graph_search.h"

#include <algorithm>

void GraphSearch::Start(const DirectedGraph& graph, int32_t start) {
  graph_ = &graph;
  nodeCount_ = graph.nodeCount;
  generation_ = graph.generation;
  start_ = start;
  const size_t codes = static_cast<size_t>(graph.nodeCount) + 1;
  distance_.assign(codes, -1);
  parentEntry_.assign(codes, -1);
  parent_.assign(codes, 0);
  settled_.assign(codes, 0);
  heap_ = {};
  distance_[static_cast<size_t>(start)] = 0;
  heap_.push({0, start});
}

int64_t GraphSearch::Run(const DirectedGraph& graph, int32_t start, int32_t target) {
  if (!IsCode(start, graph.nodeCount) || !IsCode(target, graph.nodeCount)) return -1;
  if (graph_ != &graph || nodeCount_ != graph.nodeCount || generation_ != graph.generation || start_ != start)
    Start(graph, start);
  while (!settled_[static_cast<size_t>(target)] && !heap_.empty()) {
    const auto [distance, code] = heap_.top();
    heap_.pop();
    if (settled_[static_cast<size_t>(code)]) continue;
    settled_[static_cast<size_t>(code)] = 1;
    for (int32_t e = graph.nodeStart[code - 1]; e < graph.nodeStart[code]; ++e) {
      const int32_t next = graph.adjNode[e];
      if (!IsCode(next, graph.nodeCount) || settled_[static_cast<size_t>(next)]) continue;
      const int64_t reach = distance + graph.adjWeight[e];
      int64_t& best = distance_[static_cast<size_t>(next)];
      if (best >= 0 && best <= reach) continue;
      best = reach;
      parentEntry_[static_cast<size_t>(next)] = e;
      parent_[static_cast<size_t>(next)] = code;
      heap_.push({reach, next});
    }
  }
  return settled_[static_cast<size_t>(target)] ? distance_[static_cast<size_t>(target)] : -1;
}

void GraphSearch::Walk(int32_t target, std::vector<int32_t>& points, std::vector<int32_t>& segments) const {
  points.clear();
  segments.clear();
  for (int32_t code = target; code != start_; code = parent_[static_cast<size_t>(code)]) {
    points.push_back(code);
    segments.push_back(graph_->adjSegment[static_cast<size_t>(parentEntry_[static_cast<size_t>(code)])]);
  }
  points.push_back(start_);
  std::reverse(points.begin(), points.end());
  std::reverse(segments.begin(), segments.end());
}
