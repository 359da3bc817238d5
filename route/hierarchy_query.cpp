#include "route/hierarchy_query.h"

#include <algorithm>
#include <functional>
#include <limits>

#include "map/grow_only.h"

namespace {
constexpr int64_t kFar = std::numeric_limits<int64_t>::max();
constexpr int64_t kWeightLimit = std::numeric_limits<int32_t>::max();
}  // namespace

void HierarchyQuery::Fit(Side& side, int32_t nodeCount) {
  const size_t codes = static_cast<size_t>(nodeCount) + 1;
  GrowTo(side.distance, codes);
  GrowTo(side.parentArc, codes);
  GrowTo(side.parentNode, codes);
  GrowTo(side.stamp, codes);
  side.heap.clear();
}

void HierarchyQuery::FitTo(const ContractionHierarchy& hierarchy) {
  Fit(forward_, hierarchy.nodeCount);
  Fit(backward_, hierarchy.nodeCount);
}

void HierarchyQuery::Seed(Side& side, int32_t code) { Improve(side, code, 0, -1, 0); }

void HierarchyQuery::Improve(Side& side, int32_t code, int64_t d, int32_t arc, int32_t from) {
  if (Reached(side, code) && side.distance[code] <= d) return;
  side.stamp[code] = run_;
  side.distance[code] = d;
  side.parentArc[code] = arc;
  side.parentNode[code] = from;
  side.heap.push_back({d, code});
  std::push_heap(side.heap.begin(), side.heap.end(), std::greater<>());
}

// Whether a point above code reaches it, over an arc of the other
// direction, more cheaply than d: then no shortest route climbs through it.
bool HierarchyQuery::Stalled(const ContractionHierarchy& h, const Side& side, bool forward, int32_t code,
                             int64_t d) const {
  const int32_t begin = forward ? h.BackwardBegin(code) : h.ForwardBegin(code);
  const int32_t end = forward ? h.BackwardEnd(code) : h.BackwardBegin(code);
  for (int32_t i = begin; i < end; ++i) {
    const HierarchyArc& a = h.arcs[i];
    if (Reached(side, a.other) && side.distance[a.other] + a.weight < d) return true;
  }
  return false;
}

// Settles the next point of one side: records a meeting with the other
// side, then relaxes the point's arcs of that side's direction.
void HierarchyQuery::Settle(const ContractionHierarchy& h, bool forward) {
  Side& side = forward ? forward_ : backward_;
  const Side& other = forward ? backward_ : forward_;
  std::pop_heap(side.heap.begin(), side.heap.end(), std::greater<>());
  const auto [d, u] = side.heap.back();
  side.heap.pop_back();
  if (d != side.distance[u]) return;
  if (Reached(other, u)) {
    const int64_t through = d + other.distance[u];
    if (through < kWeightLimit && (best_ < 0 || through < best_)) {
      best_ = through;
      meeting_ = u;
    }
  }
  if (Stalled(h, side, forward, u, d)) return;
  const int32_t begin = forward ? h.ForwardBegin(u) : h.BackwardBegin(u);
  const int32_t end = forward ? h.BackwardBegin(u) : h.BackwardEnd(u);
  for (int32_t i = begin; i < end; ++i) {
    const int64_t next = d + h.arcs[i].weight;
    if (next < kWeightLimit) Improve(side, h.arcs[i].other, next, i, u);
  }
}

int64_t HierarchyQuery::Run(const ContractionHierarchy& h, int32_t startCode, int32_t targetCode) {
  best_ = -1;
  meeting_ = 0;
  if (startCode < 1 || startCode > h.nodeCount || targetCode < 1 || targetCode > h.nodeCount) return -1;
  Fit(forward_, h.nodeCount);
  Fit(backward_, h.nodeCount);
  if (++run_ == 0) {  // the stamps wrapped: forget every earlier run
    std::fill(forward_.stamp.begin(), forward_.stamp.end(), 0);
    std::fill(backward_.stamp.begin(), backward_.stamp.end(), 0);
    run_ = 1;
  }
  Seed(forward_, startCode);
  Seed(backward_, targetCode);
  for (;;) {
    const int64_t f = forward_.heap.empty() ? kFar : forward_.heap.front().first;
    const int64_t b = backward_.heap.empty() ? kFar : backward_.heap.front().first;
    if (std::min(f, b) == kFar || (best_ >= 0 && std::min(f, b) >= best_)) break;
    Settle(h, f <= b);
  }
  return best_;
}

bool HierarchyQuery::Unpack(const ContractionHierarchy& h, int32_t maxPoints, std::vector<int32_t>& codes,
                            std::vector<int32_t>& segments) {
  codes.clear();
  segments.clear();
  if (best_ < 0) return false;
  // The arcs up to the meeting point, then down from it, with their ends.
  pathArcs_.clear();
  pathEnds_.clear();
  for (int32_t c = meeting_; forward_.parentArc[c] >= 0; c = forward_.parentNode[c]) {
    pathArcs_.push_back(forward_.parentArc[c]);
    pathEnds_.push_back({forward_.parentNode[c], c});
  }
  std::reverse(pathArcs_.begin(), pathArcs_.end());
  std::reverse(pathEnds_.begin(), pathEnds_.end());
  for (int32_t c = meeting_; backward_.parentArc[c] >= 0; c = backward_.parentNode[c]) {
    pathArcs_.push_back(backward_.parentArc[c]);
    pathEnds_.push_back({c, backward_.parentNode[c]});
  }
  codes.push_back(pathEnds_.empty() ? meeting_ : pathEnds_.front().first);
  for (size_t k = pathArcs_.size(); k-- > 0;) stack_.push_back({pathArcs_[k], pathEnds_[k]});
  while (!stack_.empty()) {
    const auto [arc, ends] = stack_.back();
    stack_.pop_back();
    const HierarchyArc& a = h.arcs[arc];
    if (a.middle == 0) {
      if (static_cast<int32_t>(codes.size()) >= maxPoints) {
        stack_.clear();
        return false;
      }
      segments.push_back(a.first);
      codes.push_back(ends.second);
      continue;
    }
    stack_.push_back({a.second, {a.middle, ends.second}});
    stack_.push_back({a.first, {ends.first, a.middle}});
  }
  return true;
}
