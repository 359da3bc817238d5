#include "route/turn_graph.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

// A row as the entries of the road graph it drives: its From and Ways in
// order (the pattern), and its To.
struct EntryRow {
  std::vector<int32_t> pattern;
  int32_t to = -1;  // -1: none may be driven
  bool only = false;
};

// The road graph's entries seen from their segments and tails.
class Entries {
 public:
  explicit Entries(const DirectedGraph& road) : road_(road), tail_(road.adjNode.size()) {
    for (int32_t code = 1; code <= road.nodeCount; ++code)
      for (int32_t e = road.nodeStart[code - 1]; e < road.nodeStart[code]; ++e) tail_[e] = code;
    int32_t segments = 0;
    for (const int32_t s : road.adjSegment) segments = std::max(segments, s + 1);
    bySegment_.assign(static_cast<size_t>(segments), {-1, -1});
    for (size_t e = 0; e < road.adjSegment.size(); ++e) {
      if (road.adjSegment[e] < 0) continue;
      auto& [first, second] = bySegment_[static_cast<size_t>(road.adjSegment[e])];
      (first < 0 ? first : second) = static_cast<int32_t>(e);
    }
  }

  // The entry that drives segment from junction code `from`, or -1.
  int32_t Leaving(int32_t segment, int32_t from) const {
    return Find(segment, [&](int32_t e) { return tail_[e] == from; });
  }
  // The entry that drives segment into junction code `into`, or -1.
  int32_t Arriving(int32_t segment, int32_t into) const {
    return Find(segment, [&](int32_t e) { return road_.adjNode[e] == into; });
  }

 private:
  template <typename Test>
  int32_t Find(int32_t segment, Test test) const {
    if (segment < 0 || static_cast<size_t>(segment) >= bySegment_.size()) return -1;
    const auto [first, second] = bySegment_[static_cast<size_t>(segment)];
    if (first >= 0 && test(first)) return first;
    if (second >= 0 && test(second)) return second;
    return -1;
  }

  const DirectedGraph& road_;
  std::vector<int32_t> tail_;
  std::vector<std::pair<int32_t, int32_t>> bySegment_;
};

// The rows as entries: a row whose From or Ways cannot be driven in its
// direction is left out, as no route can break it, and so is a `no` row
// whose To cannot; an `only` row whose To cannot be driven forbids every
// turn after its pattern (to -1).
std::vector<EntryRow> RowsAsEntries(const DirectedGraph& road, const TurnRestrictions& restrictions) {
  const Entries entries(road);
  std::vector<EntryRow> rows;
  for (const TurnRestriction& r : restrictions.rows) {
    EntryRow row;
    row.only = r.only;
    int32_t entry = entries.Arriving(r.from, r.via);
    int32_t at = r.via;
    for (size_t i = 0; entry >= 0; ++i) {
      row.pattern.push_back(entry);
      at = road.adjNode[static_cast<size_t>(entry)];
      if (i == r.ways.size()) break;
      entry = entries.Leaving(r.ways[i], at);
    }
    row.to = entries.Leaving(r.to, at);
    if (entry >= 0 && (row.to >= 0 || row.only)) rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

// The expansion under way: the rows by pattern, the prefixes that become
// states of their own, and the graph as it is filled point by point.
class TurnExpansion {
 public:
  TurnExpansion(const DirectedGraph& road, const std::vector<EntryRow>& rows, int32_t firstState)
      : road_(road), firstState_(firstState), starts_(road.adjNode.size(), 0) {
    for (size_t r = 0; r < rows.size(); ++r) {
      const std::vector<int32_t>& p = rows[r].pattern;
      byPattern_[p].push_back(&rows[r]);
      starts_[static_cast<size_t>(p.front())] = 1;
      longest_ = std::max(longest_, p.size());
      for (size_t length = 2; length <= p.size(); ++length) {
        const std::vector<int32_t> prefix(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(length));
        if (prefixes_.count(prefix)) continue;
        const auto point = static_cast<int32_t>(firstState + static_cast<int32_t>(road.adjNode.size()) +
                                                static_cast<int32_t>(prefixOrder_.size()));
        prefixes_.emplace(prefix, point);
        prefixOrder_.push_back(prefix);
      }
    }
  }

  // The prefixes that are states of their own, in the order of their points.
  const std::vector<std::vector<int32_t>>& Prefixes() const { return prefixOrder_; }

  // Appends the list of the state that has just driven the entries of
  // walked (one entry for the entries' own states).
  void AddState(const std::vector<int32_t>& walked, int32_t end, DirectedGraph& graph) const {
    const int32_t last = walked.back();
    const int32_t at = road_.adjNode[static_cast<size_t>(last)];
    const int32_t segment = road_.adjSegment[static_cast<size_t>(last)];
    const bool plain = walked.size() == 1 && !starts_[static_cast<size_t>(last)];
    std::vector<const EntryRow*> rows;
    if (!plain) RowsEndingIn(walked, rows);
    bool deadEnd = true;
    for (int32_t f = road_.nodeStart[at - 1]; f < road_.nodeStart[at]; ++f)
      deadEnd = deadEnd && road_.adjSegment[f] == segment;
    for (int32_t f = road_.nodeStart[at - 1]; f < road_.nodeStart[at]; ++f) {
      if (road_.adjSegment[f] == segment && !deadEnd) continue;  // a U-turn
      if (!plain && !Allowed(rows, f)) continue;
      Add(graph, plain ? firstState_ + f : Next(walked, f), road_.adjWeight[f], road_.adjSegment[f]);
    }
    Add(graph, end, 0, -1);
  }

  static void Add(DirectedGraph& graph, int32_t to, int32_t weight, int32_t segment) {
    graph.adjNode.push_back(to);
    graph.adjWeight.push_back(weight);
    graph.adjSegment.push_back(segment);
  }

 private:
  // The rows whose pattern ends the walked entries.
  void RowsEndingIn(const std::vector<int32_t>& walked, std::vector<const EntryRow*>& rows) const {
    for (size_t length = 1; length <= walked.size(); ++length) {
      const std::vector<int32_t> suffix(walked.end() - static_cast<std::ptrdiff_t>(length), walked.end());
      const auto found = byPattern_.find(suffix);
      if (found != byPattern_.end()) rows.insert(rows.end(), found->second.begin(), found->second.end());
    }
  }

  // Whether turning into entry f after the rows' patterns breaks none.
  static bool Allowed(const std::vector<const EntryRow*>& rows, int32_t f) {
    for (const EntryRow* row : rows)
      if (row->only ? row->to != f : row->to == f) return false;
    return true;
  }

  // The state after turning into entry f: the longest prefix of a row that
  // the walk then ends with, else f's own.
  int32_t Next(const std::vector<int32_t>& walked, int32_t f) const {
    std::vector<int32_t> tail = walked;
    tail.push_back(f);
    for (size_t length = std::min(tail.size(), longest_); length >= 2; --length) {
      const std::vector<int32_t> suffix(tail.end() - static_cast<std::ptrdiff_t>(length), tail.end());
      const auto found = prefixes_.find(suffix);
      if (found != prefixes_.end()) return found->second;
    }
    return firstState_ + f;
  }

  const DirectedGraph& road_;
  const int32_t firstState_;
  std::vector<uint8_t> starts_;  // whether an entry begins a row's pattern
  size_t longest_ = 1;
  std::map<std::vector<int32_t>, std::vector<const EntryRow*>> byPattern_;
  std::map<std::vector<int32_t>, int32_t> prefixes_;
  std::vector<std::vector<int32_t>> prefixOrder_;
};

TurnGraph::TurnGraph(const DirectedGraph& road, const TurnRestrictions& restrictions)
    : junctions_(road.nodeCount), firstState_(2 * road.nodeCount + 1), entryHead_(road.adjNode) {
  const std::vector<EntryRow> rows = RowsAsEntries(road, restrictions);
  const TurnExpansion expansion(road, rows, firstState_);
  graph_.weighsDurations = road.weighsDurations;
  graph_.generation = road.generation;
  const auto closeList = [this]() {
    graph_.nodeStart.push_back(static_cast<int32_t>(graph_.adjNode.size()));
  };
  for (int32_t code = 1; code <= junctions_; ++code) {  // the starts
    for (int32_t e = road.nodeStart[code - 1]; e < road.nodeStart[code]; ++e)
      TurnExpansion::Add(graph_, firstState_ + e, road.adjWeight[e], road.adjSegment[e]);
    closeList();
  }
  for (int32_t code = 1; code <= junctions_; ++code) closeList();  // the ends
  std::vector<int32_t> walked(1);
  for (size_t e = 0; e < road.adjNode.size(); ++e) {
    walked[0] = static_cast<int32_t>(e);
    expansion.AddState(walked, EndOf(road.adjNode[e]), graph_);
    closeList();
  }
  for (const std::vector<int32_t>& prefix : expansion.Prefixes()) {
    const int32_t at = road.adjNode[static_cast<size_t>(prefix.back())];
    prefixHead_.push_back(at);
    expansion.AddState(prefix, EndOf(at), graph_);
    closeList();
  }
  graph_.nodeCount = static_cast<int32_t>(graph_.nodeStart.size()) - 1;
}

int32_t TurnGraph::JunctionOf(int32_t point) const {
  if (point <= junctions_) return point;
  if (point < firstState_) return point - junctions_;
  const auto state = static_cast<size_t>(point - firstState_);
  return state < entryHead_.size() ? entryHead_[state] : prefixHead_[state - entryHead_.size()];
}

RoutePath TurnGraph::RouteOf(const std::vector<int32_t>& points, const std::vector<int32_t>& segments) const {
  RoutePath route;
  for (size_t i = 0; i < points.size(); ++i) {
    if (i > 0 && segments[i - 1] < 0) continue;  // the step to the end
    route.codes.push_back(JunctionOf(points[i]));
    if (i > 0) route.segments.push_back(segments[i - 1]);
  }
  return route;
}
