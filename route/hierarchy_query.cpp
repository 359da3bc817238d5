#include "route/hierarchy_query.h"

#include <algorithm>
#include <functional>

#include "map/grow_only.h"

namespace {
// Whether a search may follow a: it leads to a point, at a weight of 0 or
// more (so that the search ends).
bool IsFollowable(const ContractionHierarchy& h, const HierarchyArc& a) {
  return IsCode(a.other, h.nodeCount) && a.weight >= 0;
}

// Whether shortcut a, between the points tail and head, can be unpacked:
// its middle a point ranked below both (so that unpacking ends), its first
// half in the middle's backward list, its second in its forward list.
bool IsUnpackable(const ContractionHierarchy& h, const HierarchyArc& a, int32_t tail, int32_t head) {
  const int32_t m = a.middle;
  return IsCode(m, h.nodeCount) && h.rank[m] < h.rank[tail] && h.rank[m] < h.rank[head] &&
         a.first >= h.BackwardBegin(m) && a.first < h.BackwardEnd(m) && a.second >= h.ForwardBegin(m) &&
         a.second < h.BackwardBegin(m);
}

}  // namespace

void HierarchyQuery::Fit(Side& side, int32_t nodeCount) {
  GrowTo(side.label, static_cast<size_t>(nodeCount) + 1);
  side.heap.clear();
}

void HierarchyQuery::FitTo(int32_t nodeCount) {
  Fit(forward_, nodeCount);
  Fit(backward_, nodeCount);
}

void HierarchyQuery::Improve(Side& side, int32_t code, int64_t d, int32_t arc, int32_t from) {
  Label& label = side.label[code];
  if (label.stamp == run_ && label.distance <= d) return;
  label = {run_, static_cast<int32_t>(d), arc, from};
  side.heap.push_back(static_cast<uint64_t>(d) << 32 | static_cast<uint32_t>(code));
  std::push_heap(side.heap.begin(), side.heap.end(), std::greater<>());
}

// Whether a point above code reaches it, over an arc of the other
// direction, more cheaply than d: then no shortest route climbs through it.
// A bad arc stalls it too, the search then being over.
bool HierarchyQuery::Stalled(const ContractionHierarchy& h, const Side& side, bool forward, int32_t code,
                             int64_t d) {
  const int32_t begin = forward ? h.BackwardBegin(code) : h.ForwardBegin(code);
  const int32_t end = forward ? h.BackwardEnd(code) : h.BackwardBegin(code);
  for (int32_t i = begin; i < end; ++i) {
    const HierarchyArc& a = h.arcs[i];
    if (!IsFollowable(h, a)) {
      metBadArc_ = true;
      return true;
    }
    const Label& label = side.label[a.other];
    if (label.stamp == run_ && int64_t{label.distance} + a.weight < d) return true;
  }
  return false;
}

// Settles the next point of one side: records a meeting with the other
// side, then relaxes the point's arcs of that side's direction.
void HierarchyQuery::Settle(const ContractionHierarchy& h, bool forward) {
  Side& side = forward ? forward_ : backward_;
  const Side& other = forward ? backward_ : forward_;
  std::pop_heap(side.heap.begin(), side.heap.end(), std::greater<>());
  const int64_t d = static_cast<int64_t>(side.heap.back() >> 32);
  const auto u = static_cast<int32_t>(side.heap.back() & 0xffffffffu);
  side.heap.pop_back();
  if (d != side.label[u].distance) return;
  if (Reached(other, u)) {
    const int64_t through = d + other.label[u].distance;
    if (through < kWeightLimit && (best_ < 0 || through < best_)) {
      best_ = through;
      meeting_ = u;
    }
  }
  if (Stalled(h, side, forward, u, d)) return;
  const int32_t begin = forward ? h.ForwardBegin(u) : h.BackwardBegin(u);
  const int32_t end = forward ? h.BackwardBegin(u) : h.BackwardEnd(u);
  for (int32_t i = begin; i < end; ++i) {
    const HierarchyArc& a = h.arcs[i];
    if (!IsFollowable(h, a)) {
      metBadArc_ = true;
      return;
    }
    const int64_t next = d + a.weight;
    if (next < kWeightLimit) Improve(side, a.other, next, i, u);
  }
}

int64_t HierarchyQuery::Run(const ContractionHierarchy& h, int32_t startCode, int32_t targetCode) {
  best_ = -1;
  meeting_ = 0;
  metBadArc_ = false;
  if (!IsCode(startCode, h.nodeCount) || !IsCode(targetCode, h.nodeCount)) return -1;
  Fit(forward_, h.nodeCount);
  Fit(backward_, h.nodeCount);
  if (++run_ == 0) {  // the stamps wrapped: forget every earlier run
    for (Side* side : {&forward_, &backward_})
      for (Label& label : side->label) label.stamp = 0;
    run_ = 1;
  }
  Improve(forward_, startCode, 0, -1, 0);
  Improve(backward_, targetCode, 0, -1, 0);
  for (;;) {
    const int64_t f = forward_.heap.empty() ? kFar : static_cast<int64_t>(forward_.heap.front() >> 32);
    const int64_t b = backward_.heap.empty() ? kFar : static_cast<int64_t>(backward_.heap.front() >> 32);
    if (std::min(f, b) == kFar || (best_ >= 0 && std::min(f, b) >= best_)) break;
    Settle(h, f <= b);
    if (metBadArc_) return best_ = -1;
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
  for (int32_t c = meeting_; forward_.label[c].parentArc >= 0; c = forward_.label[c].parentNode) {
    pathArcs_.push_back(forward_.label[c].parentArc);
    pathEnds_.push_back({forward_.label[c].parentNode, c});
  }
  std::reverse(pathArcs_.begin(), pathArcs_.end());
  std::reverse(pathEnds_.begin(), pathEnds_.end());
  for (int32_t c = meeting_; backward_.label[c].parentArc >= 0; c = backward_.label[c].parentNode) {
    pathArcs_.push_back(backward_.label[c].parentArc);
    pathEnds_.push_back({c, backward_.label[c].parentNode});
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
    if (!IsUnpackable(h, a, ends.first, ends.second)) {
      metBadArc_ = true;
      stack_.clear();
      return false;
    }
    stack_.push_back({a.second, {a.middle, ends.second}});
    stack_.push_back({a.first, {ends.first, a.middle}});
  }
  return true;
}
