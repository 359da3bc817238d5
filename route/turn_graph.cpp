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

// Each segment's entries (two at most: one per direction), -1 for none.
std::vector<std::pair<int32_t, int32_t>> EntriesBySegment(const DirectedGraph& road) {
  int32_t segments = 0;
  for (const int32_t s : road.adjSegment) segments = std::max(segments, s + 1);
  std::vector<std::pair<int32_t, int32_t>> bySegment(static_cast<size_t>(segments), {-1, -1});
  for (size_t e = 0; e < road.adjSegment.size(); ++e) {
    if (road.adjSegment[e] < 0) continue;
    auto& [first, second] = bySegment[static_cast<size_t>(road.adjSegment[e])];
    (first < 0 ? first : second) = static_cast<int32_t>(e);
  }
  return bySegment;
}

// The road graph's entries seen from their segments and ends.
class Entries {
 public:
  Entries(const DirectedGraph& road, const std::vector<std::pair<int32_t, int32_t>>& bySegment)
      : road_(road), bySegment_(bySegment), tail_(road.adjNode.size()) {
    for (int32_t code = 1; code <= road.nodeCount; ++code)
      for (int32_t e = road.nodeStart[code - 1]; e < road.nodeStart[code]; ++e) tail_[e] = code;
  }

  // The entry that drives segment from junction code `from`, or -1.
  int32_t Leaving(int32_t segment, int32_t from) const {
    return Find(segment, [&](int32_t e) { return tail_[e] == from; });
  }
  // The entry that drives segment into junction code `into`, or -1.
  int32_t Arriving(int32_t segment, int32_t into) const {
    return Find(segment, [&](int32_t e) { return road_.adjNode[e] == into; });
  }
  int32_t Tail(int32_t e) const { return tail_[e]; }

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
  const std::vector<std::pair<int32_t, int32_t>>& bySegment_;
  std::vector<int32_t> tail_;
};

// The rows as entries (see the TurnGraph constructor for those left out).
std::vector<EntryRow> RowsAsEntries(const DirectedGraph& road, const Entries& entries,
                                    const TurnRestrictions& restrictions) {
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

// Whether each junction is expanded: every one (rings < 0), or those the
// rows' entries lead to and so many rings of junctions around them.
std::vector<uint8_t> ExpandedJunctions(const DirectedGraph& road, const Entries& entries,
                                       const std::vector<EntryRow>& rows, int rings) {
  std::vector<uint8_t> is(static_cast<size_t>(road.nodeCount) + 1, rings < 0);
  if (rings < 0) return is;
  for (const EntryRow& row : rows)
    for (const int32_t e : row.pattern) is[static_cast<size_t>(road.adjNode[static_cast<size_t>(e)])] = 1;
  for (int ring = 0; ring < rings; ++ring) {
    std::vector<uint8_t> grown = is;
    for (size_t e = 0; e < road.adjNode.size(); ++e) {
      const int32_t head = road.adjNode[e], tail = entries.Tail(static_cast<int32_t>(e));
      if (!IsCode(head, road.nodeCount)) continue;
      if (is[static_cast<size_t>(head)]) grown[static_cast<size_t>(tail)] = 1;
      if (is[static_cast<size_t>(tail)]) grown[static_cast<size_t>(head)] = 1;
    }
    is = std::move(grown);
  }
  return is;
}

}  // namespace

// The expansion under way: the rows by pattern, the prefixes that become
// states of their own, where each entry leads, and the graph as it is
// filled point by point.
class TurnExpansion {
 public:
  TurnExpansion(const DirectedGraph& road, const std::vector<EntryRow>& rows,
                const std::vector<int32_t>& entryState, int32_t firstPrefix)
      : road_(road), entryState_(entryState), starts_(road.adjNode.size(), 0) {
    for (const EntryRow& row : rows) {
      const std::vector<int32_t>& p = row.pattern;
      byPattern_[p].push_back(&row);
      starts_[static_cast<size_t>(p.front())] = 1;
      longest_ = std::max(longest_, p.size());
      for (size_t length = 2; length <= p.size(); ++length) {
        const std::vector<int32_t> prefix(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(length));
        if (prefixes_.count(prefix)) continue;
        prefixes_.emplace(prefix, firstPrefix + static_cast<int32_t>(prefixOrder_.size()));
        prefixOrder_.push_back(prefix);
      }
    }
  }

  // The prefixes that are states of their own, in the order of their points.
  const std::vector<std::vector<int32_t>>& Prefixes() const { return prefixOrder_; }

  // Where driving entry e leads: its state, or the junction's own point.
  int32_t LeadsTo(int32_t e) const {
    const int32_t state = entryState_[static_cast<size_t>(e)];
    return state > 0 ? state : road_.adjNode[static_cast<size_t>(e)];
  }

  // Appends the list of a junction that routes pass (every entry) or only
  // start from.
  void AddJunction(int32_t code, DirectedGraph& graph) const {
    for (int32_t e = road_.nodeStart[code - 1]; e < road_.nodeStart[code]; ++e)
      Add(graph, LeadsTo(e), road_.adjWeight[e], road_.adjSegment[e]);
  }

  // Appends the list of the state that has just driven the entries of
  // walked (one entry for the entries' own states), ending at end.
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
      Add(graph, plain ? LeadsTo(f) : Next(walked, f), road_.adjWeight[f], road_.adjSegment[f]);
    }
    Add(graph, end, 0, -1);
  }

 private:
  static void Add(DirectedGraph& graph, int32_t to, int32_t weight, int32_t segment) {
    graph.adjNode.push_back(to);
    graph.adjWeight.push_back(weight);
    graph.adjSegment.push_back(segment);
  }

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

  // Where turning into entry f leads: the longest prefix of a row that the
  // walk then ends with, else where f leads.
  int32_t Next(const std::vector<int32_t>& walked, int32_t f) const {
    std::vector<int32_t> tail = walked;
    tail.push_back(f);
    for (size_t length = std::min(tail.size(), longest_); length >= 2; --length) {
      const std::vector<int32_t> suffix(tail.end() - static_cast<std::ptrdiff_t>(length), tail.end());
      const auto found = prefixes_.find(suffix);
      if (found != prefixes_.end()) return found->second;
    }
    return LeadsTo(f);
  }

  const DirectedGraph& road_;
  const std::vector<int32_t>& entryState_;
  std::vector<uint8_t> starts_;  // whether an entry begins a row's pattern
  size_t longest_ = 1;
  std::map<std::vector<int32_t>, std::vector<const EntryRow*>> byPattern_;
  std::map<std::vector<int32_t>, int32_t> prefixes_;
  std::vector<std::vector<int32_t>> prefixOrder_;
};

TurnGraph::TurnGraph(const DirectedGraph& road, const TurnRestrictions& restrictions, int rings)
    : restrictions_(restrictions),
      junctions_(road.nodeCount),
      endOf_(static_cast<size_t>(road.nodeCount) + 1, 0),
      entryState_(road.adjNode.size(), 0),
      entryHead_(road.adjNode),
      entrySegment_(road.adjSegment),
      soleSegment_(static_cast<size_t>(road.nodeCount) + 1, -1),
      segmentEntries_(EntriesBySegment(road)) {
  const Entries entries(road, segmentEntries_);
  const std::vector<EntryRow> rows = RowsAsEntries(road, entries, restrictions);
  const std::vector<uint8_t> isExpanded = ExpandedJunctions(road, entries, rows, rings);
  int32_t point = junctions_;
  for (int32_t code = 1; code <= junctions_; ++code) {
    if (!isExpanded[static_cast<size_t>(code)]) continue;
    endOf_[static_cast<size_t>(code)] = ++point;
    pointJunction_.push_back(code);
    pointState_.push_back(0);
  }
  for (size_t e = 0; e < road.adjNode.size(); ++e) {
    const int32_t head = road.adjNode[e];
    if (!IsCode(head, junctions_) || !isExpanded[static_cast<size_t>(head)]) continue;
    entryState_[e] = ++point;
    pointJunction_.push_back(head);
    pointState_.push_back(static_cast<int32_t>(e) + 1);
  }
  firstPrefix_ = point + 1;
  const TurnExpansion expansion(road, rows, entryState_, firstPrefix_);
  for (size_t p = 0; p < expansion.Prefixes().size(); ++p) {
    prefixLast_.push_back(expansion.Prefixes()[p].back());
    pointJunction_.push_back(road.adjNode[static_cast<size_t>(expansion.Prefixes()[p].back())]);
    pointState_.push_back(-static_cast<int32_t>(p) - 1);
  }

  graph_.weighsDurations = road.weighsDurations;
  graph_.generation = road.generation;
  ReserveLists(road, expansion.Prefixes());
  const auto closeList = [this]() {
    graph_.nodeStart.push_back(static_cast<int32_t>(graph_.adjNode.size()));
  };
  for (int32_t code = 1; code <= junctions_; ++code) {
    expansion.AddJunction(code, graph_);
    closeList();
    for (int32_t e = road.nodeStart[code - 1]; e < road.nodeStart[code]; ++e) {
      int32_t& sole = soleSegment_[static_cast<size_t>(code)];
      sole = sole == -1 || sole == road.adjSegment[e] ? road.adjSegment[e] : -2;
    }
  }
  for (int32_t code = 1; code <= junctions_; ++code)
    if (endOf_[static_cast<size_t>(code)] > 0) closeList();  // the ends lead nowhere
  std::vector<int32_t> walked(1);
  for (size_t e = 0; e < road.adjNode.size(); ++e) {
    if (entryState_[e] == 0) continue;
    walked[0] = static_cast<int32_t>(e);
    expansion.AddState(walked, EndOf(road.adjNode[e]), graph_);
    closeList();
  }
  for (const std::vector<int32_t>& prefix : expansion.Prefixes()) {
    expansion.AddState(prefix, EndOf(road.adjNode[static_cast<size_t>(prefix.back())]), graph_);
    closeList();
  }
  graph_.nodeCount = static_cast<int32_t>(graph_.nodeStart.size()) - 1;
}

void TurnGraph::ReserveLists(const DirectedGraph& road, const std::vector<std::vector<int32_t>>& prefixes) {
  const auto listOf = [&road](int32_t entry) {  // a state's turns and its step to the end, at most
    const int32_t at = road.adjNode[static_cast<size_t>(entry)];
    return static_cast<size_t>(road.nodeStart[at] - road.nodeStart[at - 1]) + 1;
  };
  size_t entries = road.adjNode.size();
  for (size_t e = 0; e < road.adjNode.size(); ++e)
    if (entryState_[e] > 0) entries += listOf(static_cast<int32_t>(e));
  for (const std::vector<int32_t>& prefix : prefixes) entries += listOf(prefix.back());
  graph_.nodeStart.reserve(static_cast<size_t>(junctions_) + pointJunction_.size() + 1);
  graph_.adjNode.reserve(entries);
  graph_.adjWeight.reserve(entries);
  graph_.adjSegment.reserve(entries);
}

int32_t TurnGraph::EndOf(int32_t code) const {
  const int32_t end = endOf_[static_cast<size_t>(code)];
  return end > 0 ? end : code;
}

int32_t TurnGraph::JunctionOf(int32_t point) const {
  return point <= junctions_ ? point : pointJunction_[static_cast<size_t>(point - junctions_ - 1)];
}

int32_t TurnGraph::PointOfState(int32_t state) const {
  if (state > 0) {
    const int32_t entryPoint = entryState_[static_cast<size_t>(state - 1)];
    return entryPoint > 0 ? entryPoint : entryHead_[static_cast<size_t>(state - 1)];
  }
  return state < 0 ? firstPrefix_ - state - 1 : 0;
}

int32_t TurnGraph::StateOfPoint(int32_t point) const {
  return point > junctions_ ? pointState_[static_cast<size_t>(point - junctions_ - 1)] : 0;
}

int32_t TurnGraph::StateOfArrival(int32_t code, int32_t segment) const {
  if (segment < 0 || static_cast<size_t>(segment) >= segmentEntries_.size()) return 0;
  for (const int32_t e : {segmentEntries_[static_cast<size_t>(segment)].first,
                          segmentEntries_[static_cast<size_t>(segment)].second})
    if (e >= 0 && entryHead_[static_cast<size_t>(e)] == code) return e + 1;
  return 0;
}

int32_t TurnGraph::SegmentOfState(int32_t state) const {
  if (state == 0) return -1;
  const int32_t entry = state > 0 ? state - 1 : prefixLast_[static_cast<size_t>(-state - 1)];
  return entrySegment_[static_cast<size_t>(entry)];
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

bool TurnGraph::HasUTurnAwayFromDeadEnd(const RoutePath& route, int32_t arrivedBy) const {
  for (size_t i = 0; i < route.segments.size(); ++i) {
    const int32_t before = i == 0 ? arrivedBy : route.segments[i - 1];
    if (before == route.segments[i] && soleSegment_[static_cast<size_t>(route.codes[i])] != before)
      return true;
  }
  return false;
}

std::shared_ptr<TurnGraph> TurnsOf(const DirectedGraph& road, const TurnRestrictions& restrictions) {
  return restrictions.rows.empty() ? nullptr : std::make_shared<TurnGraph>(road, restrictions);
}

std::shared_ptr<TurnGraph> TurnsOf(const RoadGraph& graph, const TurnRestrictions& restrictions) {
  if (restrictions.rows.empty()) return nullptr;
  DirectedGraph road;
  road.nodeCount = graph.nodeCount;
  road.nodeStart = graph.nodeStart;
  road.adjNode = graph.adjNode;
  road.adjWeight = graph.adjLength;
  road.adjSegment = graph.adjSegment;
  road.weighsDurations = graphWeighsDurations;
  return TurnsOf(road, restrictions);
}
