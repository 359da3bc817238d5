#include "route/fast_route_search.h"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

#include "map/road_graph.h"
#include "route/directed_graph.h"
#include "route/route_path.h"
#include "route/route_search.h"
#include "toolkit/performance_counter.h"

namespace {

bool PassesAPointTwice(const std::vector<int32_t>& codes) {
  std::vector<int32_t> sorted = codes;
  std::sort(sorted.begin(), sorted.end());
  return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

// Cuts every cycle out of the walk, keeping its first and last point: a
// point seen again drops what was walked since its first visit.
void CutCycles(std::vector<int32_t>& codes, std::vector<int32_t>& segments) {
  if (!PassesAPointTwice(codes)) return;
  std::unordered_map<int32_t, size_t> at;
  std::vector<int32_t> keptCodes, keptSegments;
  for (size_t i = 0; i < codes.size(); ++i) {
    const auto seen = at.find(codes[i]);
    if (seen == at.end()) {
      if (i > 0) keptSegments.push_back(segments[i - 1]);
      at[codes[i]] = keptCodes.size();
      keptCodes.push_back(codes[i]);
      continue;
    }
    for (size_t k = seen->second + 1; k < keptCodes.size(); ++k) at.erase(keptCodes[k]);
    keptCodes.resize(seen->second + 1);
    keptSegments.resize(seen->second);
  }
  codes = std::move(keptCodes);
  segments = std::move(keptSegments);
}

// Whether the walk joins from to to along entries of a graph (its point
// count and arrays, as the road graph and DirectedGraph hold them) whose
// weights add up to distance.
bool IsWalkAlong(int32_t nodes, const std::vector<int32_t>& starts, const std::vector<int32_t>& heads,
                 const std::vector<int32_t>& weights, const std::vector<int32_t>& entrySegments,
                 const std::vector<int32_t>& points, const std::vector<int32_t>& segments, int32_t from,
                 int32_t to, int64_t distance) {
  if (points.empty() || points.front() != from || points.back() != to) return false;
  int64_t sum = 0;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    if (!IsCode(points[i], nodes)) return false;
    int64_t weight = -1;
    for (int32_t e = starts[points[i] - 1]; e < starts[points[i]] && weight < 0; ++e)
      if (heads[e] == points[i + 1] && entrySegments[e] == segments[i]) weight = weights[e];
    if (weight < 0) return false;
    sum += weight;
  }
  return sum == distance;
}

bool IsWalkOf(const DirectedGraph& graph, const std::vector<int32_t>& points,
              const std::vector<int32_t>& segments, int32_t from, int32_t to, int64_t distance) {
  return IsWalkAlong(graph.nodeCount, graph.nodeStart, graph.adjNode, graph.adjWeight, graph.adjSegment,
                     points, segments, from, to, distance);
}

// Whether the walk joins start to target along real entries of the road
// graph whose weights add up to distance.
bool IsRealWalk(const std::vector<int32_t>& codes, const std::vector<int32_t>& segments, int32_t start,
                int32_t target, int64_t distance) {
  return IsWalkAlong(nodeCount, nodeStart, adjNode, adjLength, adjSegment, codes, segments, start, target,
                     distance);
}

// Whether every code names a point of the road graph.
bool CodesWithin(const std::vector<int32_t>& codes) {
  for (const int32_t code : codes)
    if (!IsCode(code, nodeCount)) return false;
  return true;
}

}  // namespace

int32_t FindRouteInHierarchy(const ContractionHierarchy& hierarchy, HierarchyQuery& query, int32_t startCode,
                             int32_t targetCode, bool& hierarchyBad) {
  const int64_t t0 = QueryPerformanceCounter();
  hierarchyBad = hierarchy.generation != graphGeneration || hierarchy.nodeCount != nodeCount;
  if (hierarchyBad || !IsCode(startCode, nodeCount) || !IsCode(targetCode, nodeCount))
    return FindRouteDirect(startCode, targetCode);
  const int64_t distance = query.Run(hierarchy, startCode, targetCode);
  hierarchyBad = query.HasMetBadArc();
  std::vector<int32_t> codes, segments;
  if (distance >= 0) {
    hierarchyBad = !query.Unpack(hierarchy, nodeCount, codes, segments) || !CodesWithin(codes);
    if (!hierarchyBad) CutCycles(codes, segments);
    hierarchyBad = hierarchyBad || !IsRealWalk(codes, segments, startCode, targetCode, distance);
  }
  if (hierarchyBad) {
    const int32_t result = FindRouteDirect(startCode, targetCode);
    routeTicks = QueryPerformanceCounter() - t0;
    return result;
  }
  const int32_t result = MarkFoundRoute(codes, segments);
  routeTicks = QueryPerformanceCounter() - t0;
  return result;
}

void FastRoutes::SetTurns(std::shared_ptr<TurnGraph> turns) {
  if (turns) turns->Restamp(graphGeneration);
  turns_ = std::move(turns);
  turnSearch_ = GraphSearch();
  everywhere_.reset();
  everywhereSearch_ = GraphSearch();
  if (hierarchy_ && turns_ && hierarchy_->nodeCount != turns_->Graph().nodeCount) hierarchy_.reset();
}

void FastRoutes::Adopt(std::unique_ptr<ContractionHierarchy> hierarchy, HierarchyQuery query) {
  hierarchy_ = std::move(hierarchy);
  query_ = std::move(query);
  if (!hierarchy_) return;
  query_.FitTo(*hierarchy_);
  FitSearchArrays();
}

bool FastRoutes::Ready() const {
  if (!hierarchy_ || hierarchy_->generation != graphGeneration) return false;
  if (turns_) return hierarchy_->nodeCount == turns_->Graph().nodeCount;
  return !GraphFitsPasses();
}

int32_t FastRoutes::Find(int32_t startCode, int32_t targetCode) {
  int32_t arrival = 0;
  return FindLeg(startCode, targetCode, arrival);
}

int32_t FastRoutes::FindLeg(int32_t startCode, int32_t targetCode, int32_t& arrival) {
  if (turns_ && turns_->Graph().generation == graphGeneration)
    return FindWithTurns(startCode, targetCode, arrival);
  arrival = 0;
  if (!Ready()) return FindRoute(startCode, targetCode);
  bool bad = false;
  const int32_t result = FindRouteInHierarchy(*hierarchy_, query_, startCode, targetCode, bad);
  if (bad) hierarchy_.reset();
  return result;
}

bool FastRoutes::TurnRoute(const TurnGraph& turns, bool byHierarchy, GraphSearch& search, int32_t startCode,
                           int32_t targetCode, int32_t& arrival, RoutePath& route) {
  const DirectedGraph& graph = turns.Graph();
  const bool goesOn = arrival != 0 && turns.JunctionOf(turns.PointOfState(arrival)) == startCode;
  const int32_t from = goesOn ? turns.PointOfState(arrival) : turns.StartOf(startCode);
  const int32_t to = turns.EndOf(targetCode);
  std::vector<int32_t> points, segments;
  bool found = false, walked = false;
  if (byHierarchy) {
    const int64_t distance = query_.Run(*hierarchy_, from, to);
    bool bad = query_.HasMetBadArc();
    if (distance >= 0 && !bad) {
      bad = !query_.Unpack(*hierarchy_, graph.nodeCount, points, segments);
      if (!bad) CutCycles(points, segments);
      bad = bad || !IsWalkOf(graph, points, segments, from, to, distance);
    }
    if (bad) hierarchy_.reset();
    found = !bad && distance >= 0;
    walked = !bad;
  }
  if (!walked && search.Run(graph, from, to) >= 0) {
    search.Walk(to, points, segments);
    found = true;
  }
  if (!found) return false;
  route = turns.RouteOf(points, segments);
  if (turns.HasUTurnAwayFromDeadEnd(route, goesOn ? turns.SegmentOfState(arrival) : -1)) return false;
  // The state before the step to the end, or, where the walk ends at the
  // target's own point, that of the entry it arrived by.
  const bool byEnd = !segments.empty() && segments.back() < 0;
  const int32_t last = byEnd ? turns.StateOfPoint(points[points.size() - 2]) : 0;
  arrival = last != 0 ? last : turns.StateOfArrival(targetCode, route.segments.back());
  return true;
}

int32_t FastRoutes::FindWithTurns(int32_t startCode, int32_t targetCode, int32_t& arrival) {
  const int64_t t0 = QueryPerformanceCounter();
  const int32_t junctions = turns_->JunctionCount();
  RoutePath route;
  if (IsCode(startCode, junctions) && startCode == targetCode) {
    route.codes = {startCode};
  } else if (IsCode(startCode, junctions) && IsCode(targetCode, junctions)) {
    int32_t arrived = arrival;
    if (TurnRoute(*turns_, Ready(), turnSearch_, startCode, targetCode, arrived, route)) {
      arrival = arrived;
    } else if (!route.codes.empty()) {  // a U-turn away from a dead end: searched where none is taken
      if (!everywhere_) everywhere_ = std::make_unique<TurnGraph>(turns_->Everywhere(SnapshotRoadGraph()));
      route = {};
      if (!TurnRoute(*everywhere_, false, everywhereSearch_, startCode, targetCode, arrived = arrival, route))
        route = {};
      else
        arrival = arrived;
    }
  }
  const int32_t result = MarkFoundRoute(route.codes, route.segments);
  routeTicks = QueryPerformanceCounter() - t0;
  return result;
}
