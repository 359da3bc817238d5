// Dijkstra's algorithm, for graphs beyond the passes' capacity: points are
// settled in order of (distance, code), taken from a binary heap in which a
// point stands once for every distance it was given; an entry whose distance
// is no longer the point's is stale and passed over.
#include <algorithm>
#include <vector>

#include "map/grow_only.h"
#include "route/search_steps.h"

namespace {

struct HeapEntry {
  int32_t distance;
  int32_t code;
};

// The heap's order: the root is the smallest (distance, code).
bool Later(const HeapEntry& a, const HeapEntry& b) {
  return a.distance != b.distance ? a.distance > b.distance : a.code > b.code;
}

std::vector<HeapEntry> heap;
std::vector<uint8_t> settled;  // by code: 1 once the point's distance is final

void Push(int32_t distance, int32_t code) {
  heap.push_back({distance, code});
  std::push_heap(heap.begin(), heap.end(), Later);
}

// The code of the next point to settle, taken off the heap; 0 when none is
// left.
int32_t PopUnsettled() {
  while (!heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), Later);
    const HeapEntry top = heap.back();
    heap.pop_back();
    if (!settled[top.code] && top.distance == bestDistance[top.code]) return top.code;
  }
  return 0;
}

}  // namespace

void StartHeap(int32_t start) {
  ResetSearch();
  GrowTo(settled, static_cast<size_t>(nodeCount) + 1);
  std::fill(settled.begin(), settled.begin() + nodeCount + 1, 0);
  heap.clear();
  SeedSearch(start);
  Push(0, start);
}

// A point is only improved while unsettled, so every point settles once and
// the search ends whatever the lengths; with lengths of 0 or more a settled
// point's distance and predecessor are final.
void AdvanceHeap(int32_t target) {
  while (!settled[target]) {
    const int32_t u = PopUnsettled();
    if (u == 0) return;
    settled[u] = 1;
    for (int32_t e = nodeStart[u - 1]; e < nodeStart[u]; ++e) {
      if (IsCode(adjNode[e], nodeCount) && settled[adjNode[e]]) continue;
      const int32_t v = Relax(u, e);
      if (v != 0) Push(bestDistance[v], v);
    }
  }
}
