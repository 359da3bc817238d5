#include "tests/turn_reference.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <queue>
#include <tuple>
#include <utility>

#include "map/map_store.h"

namespace {

using Codes = std::vector<int32_t>;

// Whether road may be driven from the junction with code a to the one with
// code b: it joins them, and its one-way value allows that direction.
bool Drivable(const TurnRoad& road, int32_t a, int32_t b) {
  return (road.from == a && road.to == b && road.oneway != -1) ||
         (road.to == a && road.from == b && road.oneway != 1);
}

// A segment driven away from a junction, and the junction it reaches.
struct Step {
  int32_t segment, to;
};

// Every step a walk may take away from the junction at: each segment that
// meets it, towards its other end when its one-way value allows (a loop
// once).
std::vector<Step> StepsFrom(const TurnRoads& roads, int32_t at) {
  std::vector<Step> steps;
  for (int32_t s = 0; s < static_cast<int32_t>(roads.size()); ++s) {
    const TurnRoad& road = roads[static_cast<size_t>(s)];
    const int32_t other = road.from == at ? road.to : road.from;
    if ((road.from == at || road.to == at) && Drivable(road, at, other)) steps.push_back({s, other});
  }
  return steps;
}

// Whether step k of a walk (segments[k], from codes[k] to codes[k + 1])
// completes a breach of row: for a `no` row, it is to and the steps before
// it are from (arriving at via) and the ways; for an `only` row, the steps
// before it are from (arriving at via) and the ways, and it is not to.
bool BreaksRowAt(const Codes& codes, const Codes& segments, size_t k, const TurnRestriction& row) {
  const size_t end = row.only ? k : k + 1;  // one past the steps that must be from, the ways (and to)
  const size_t count = row.ways.size() + (row.only ? 1 : 2);
  if (end < count) return false;
  const size_t first = end - count;
  if (segments[first] != row.from || codes[first + 1] != row.via ||
      !std::equal(row.ways.begin(), row.ways.end(),
                  segments.begin() + static_cast<std::ptrdiff_t>(first) + 1))
    return false;
  return row.only ? segments[k] != row.to : segments[k] == row.to;
}

// Whether step k of a walk leaves codes[k] by the segment it arrived by
// while another segment may be driven away from there.
bool ForbiddenUTurnAt(const Codes& codes, const Codes& segments, size_t k, const TurnRoads& roads) {
  if (k == 0 || segments[k] != segments[k - 1]) return false;
  const std::vector<Step> steps = StepsFrom(roads, codes[k]);
  return std::any_of(steps.begin(), steps.end(), [&](const Step& s) { return s.segment != segments[k]; });
}

// Whether step k of a walk completes a breach of any row.
bool BreaksARowAt(const Codes& codes, const Codes& segments, size_t k, const TurnRestrictions& restrictions) {
  return std::any_of(restrictions.rows.begin(), restrictions.rows.end(),
                     [&](const TurnRestriction& row) { return BreaksRowAt(codes, segments, k, row); });
}

// A state of the search: the last segments driven (at most the longest
// row's length, and at least one for the U-turn rule) and the codes around
// them, one more; codes.back() is the junction reached. The first state is
// the start alone.
struct Window {
  Codes codes, segments;
  bool operator<(const Window& o) const { return std::tie(codes, segments) < std::tie(o.codes, o.segments); }
};

// The state after driving step on from window, trimmed to its last keep
// segments; none when the step breaks a row or makes a forbidden U-turn.
std::optional<Window> Next(Window window, const Step& step, size_t keep, const TurnRestrictions& restrictions,
                           const TurnRoads& roads) {
  window.codes.push_back(step.to);
  window.segments.push_back(step.segment);
  const size_t k = window.segments.size() - 1;
  if (BreaksARowAt(window.codes, window.segments, k, restrictions) ||
      ForbiddenUTurnAt(window.codes, window.segments, k, roads))
    return std::nullopt;
  const auto drop = static_cast<std::ptrdiff_t>(k + 1 > keep ? k + 1 - keep : 0);
  window.codes.erase(window.codes.begin(), window.codes.begin() + drop);
  window.segments.erase(window.segments.begin(), window.segments.begin() + drop);
  return window;
}

struct Node {
  Window window;
  int64_t weight;
  size_t parent;  // the state it was reached from, itself for the first
};

// The walk from the first state to nodes[last], through the parents.
TurnRoute RouteTo(const std::vector<Node>& nodes, size_t last) {
  TurnRoute route{true, nodes[last].weight, {}, {}};
  for (size_t n = last;; n = nodes[n].parent) {
    route.codes.push_back(nodes[n].window.codes.back());
    if (n == 0) break;
    route.segments.push_back(nodes[n].window.segments.back());
  }
  std::reverse(route.codes.begin(), route.codes.end());
  std::reverse(route.segments.begin(), route.segments.end());
  return route;
}

}  // namespace

TurnRoads RoadsOfStore(bool byDuration) {
  TurnRoads roads(static_cast<size_t>(segmentCount));
  for (int32_t s = 0; s < segmentCount; ++s) {
    const auto i = static_cast<size_t>(s);
    roads[i] = {segments[s].From, segments[s].To, byDuration ? segmentDuration[i] : segments[s].Length,
                segmentOneway.empty() ? int8_t{0} : segmentOneway[i]};
  }
  return roads;
}

bool IsDrivableWalk(const TurnRoute& route, const TurnRoads& roads) {
  if (!route.found || route.codes.size() != route.segments.size() + 1) return false;
  int64_t weight = 0;
  for (size_t i = 0; i < route.segments.size(); ++i) {
    const auto s = static_cast<size_t>(route.segments[i]);
    if (s >= roads.size() || !Drivable(roads[s], route.codes[i], route.codes[i + 1])) return false;
    weight += roads[s].weight;
  }
  return weight == route.weight;
}

bool BreaksARow(const TurnRoute& route, const TurnRestrictions& restrictions) {
  for (size_t k = 0; k < route.segments.size(); ++k)
    if (BreaksARowAt(route.codes, route.segments, k, restrictions)) return true;
  return false;
}

bool HasForbiddenUTurn(const TurnRoute& route, const TurnRoads& roads) {
  for (size_t k = 0; k < route.segments.size(); ++k)
    if (ForbiddenUTurnAt(route.codes, route.segments, k, roads)) return true;
  return false;
}

TurnRoute ReferenceTurnRoute(const TurnRoads& roads, const TurnRestrictions& restrictions, int32_t start,
                             int32_t target) {
  size_t keep = 1;
  for (const TurnRestriction& row : restrictions.rows) keep = std::max(keep, row.ways.size() + 2);
  std::vector<Node> nodes = {{{{start}, {}}, 0, 0}};
  std::map<Window, size_t> known = {{nodes[0].window, 0}};
  using Entry = std::pair<int64_t, size_t>;  // a node's weight when queued, and the node
  std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
  queue.push({0, 0});
  while (!queue.empty()) {
    const auto [weight, n] = queue.top();
    queue.pop();
    if (weight > nodes[n].weight) continue;  // improved since it was queued
    if (nodes[n].window.codes.back() == target) return RouteTo(nodes, n);
    for (const Step& step : StepsFrom(roads, nodes[n].window.codes.back())) {
      const std::optional<Window> next = Next(nodes[n].window, step, keep, restrictions, roads);
      if (!next) continue;
      const int64_t reached = weight + roads[static_cast<size_t>(step.segment)].weight;
      const auto [at, added] = known.emplace(*next, nodes.size());
      if (added)
        nodes.push_back({*next, reached, n});
      else if (reached < nodes[at->second].weight)
        nodes[at->second] = {*next, reached, n};
      else
        continue;
      queue.push({reached, at->second});
    }
  }
  return {};
}
