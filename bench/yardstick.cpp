#include "bench/yardstick.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>

#include "map/road_graph.h"

int64_t HeapDijkstra(int32_t start, int32_t target, std::vector<int64_t>& distance) {
  std::fill(distance.begin(), distance.begin() + nodeCount + 1, INT64_MAX);
  using Item = std::pair<int64_t, int32_t>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  distance[start] = 0;
  queue.push({0, start});
  while (!queue.empty()) {
    const auto [d, u] = queue.top();
    queue.pop();
    if (u == target) return d;
    if (d > distance[u]) continue;
    for (int32_t e = nodeStart[u - 1]; e < nodeStart[u]; ++e) {
      const int32_t v = adjNode[e];
      if (d + adjLength[e] < distance[v]) queue.push({distance[v] = d + adjLength[e], v});
    }
  }
  return INT64_MAX;
}
