#include "tests/route_reference.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <limits>

#include "map/road_graph.h"
#include "route/route_search.h"

void PrintTo(const RouteOutcome& o, std::ostream* out) {
  *out << "result " << o.result << ", route " << ::testing::PrintToString(o.route) << ", segments "
       << ::testing::PrintToString(o.segments) << ", marked points "
       << ::testing::PrintToString(o.markedPoints) << ", marked segments "
       << ::testing::PrintToString(o.markedSegments);
}

RouteOutcome ProgramOutcome(int32_t result) {
  RouteOutcome outcome;
  outcome.result = result;
  const std::vector<int32_t> codes = RouteCodes(), route = RouteSegments();
  outcome.route.assign(codes.rbegin(), codes.rend());
  outcome.segments.assign(route.rbegin(), route.rend());
  for (size_t i = 0; i < pointOnRoute.size(); ++i)
    if (pointOnRoute[i]) outcome.markedPoints.insert(static_cast<int32_t>(i));
  for (size_t i = 0; i < segmentOnRoute.size(); ++i)
    if (segmentOnRoute[i]) outcome.markedSegments.insert(static_cast<int32_t>(i));
  return outcome;
}

RouteOutcome ReferenceRoute(int32_t start, int32_t target) {
  constexpr int32_t kUnreached = std::numeric_limits<int32_t>::max();
  const size_t size = static_cast<size_t>(nodeCount) + 1;
  std::vector<int32_t> best(size, kUnreached), prev(size, 0), prevSeg(size, 0), seen(size, 0);
  best[start] = 0;
  prev[start] = start;
  std::vector<int32_t> current{start};
  for (int32_t pass = 1;; ++pass) {
    int32_t passMin = kUnreached;
    std::vector<int32_t> next;
    for (const int32_t u : current) {
      for (int32_t e = nodeStart[u - 1]; e < nodeStart[u]; ++e) {
        const int32_t v = adjNode[e];
        const int64_t candidate = int64_t{best[u]} + adjLength[e];
        if (candidate >= best[v]) continue;
        best[v] = static_cast<int32_t>(candidate);
        prevSeg[v] = adjSegment[e];
        prev[v] = u;
        if (candidate < passMin) passMin = best[v];
        if (seen[v] < pass) {
          next.push_back(v);
          seen[v] = pass;
        }
      }
    }
    current = next;
    if (current.empty() || best[target] <= passMin) break;
  }

  RouteOutcome outcome;
  std::vector<int32_t> route{target};
  while (route.back() != start && route.size() < static_cast<size_t>(RouteNotFound()))
    route.push_back(prev[route.back()]);
  outcome.result = static_cast<int32_t>(route.size());
  if (outcome.result == RouteNotFound()) return outcome;
  outcome.route = route;
  for (size_t i = 0; i < route.size(); ++i) {
    outcome.markedPoints.insert(route[i] - 1);
    if (i + 1 == route.size()) continue;
    outcome.segments.push_back(prevSeg[route[i]]);
    outcome.markedSegments.insert(prevSeg[route[i]]);
  }
  return outcome;
}
