// Routes by contraction hierarchy and by the kept Dijkstra on random
// directed graphs beyond a lowered pass capacity, against a textbook
// Dijkstra over the segment table.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <queue>
#include <random>
#include <utility>
#include <vector>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/contraction_hierarchy.h"
#include "route/fast_route_search.h"
#include "route/route_search.h"
#include "tests/fast_routes_fixture.h"
#include "tests/store_setup.h"

namespace {

// The weight of segment j as the graph weighs it.
int64_t WeightOf(int32_t j) { return graphWeighsDurations ? segmentDuration[j] : segments[j].Length; }

// Whether segment j may be driven from code a to code b.
bool Drives(int32_t j, int32_t a, int32_t b) {
  const TFieldS& s = segments[j];
  const int8_t way = segmentOneway.empty() ? 0 : segmentOneway[j];
  return (s.From == a && s.To == b && way >= 0) || (s.To == a && s.From == b && way <= 0);
}

// Shortest distances from start over the segment table: -1 unreached.
std::vector<int64_t> TextbookDistances(int32_t start) {
  std::vector<std::vector<std::pair<int32_t, int64_t>>> out(pointCount + 1);
  for (int32_t j = 0; j < segmentCount; ++j) {
    const int32_t a = segments[j].From, b = segments[j].To;
    if (Drives(j, a, b)) out[a].push_back({b, WeightOf(j)});
    if (Drives(j, b, a)) out[b].push_back({a, WeightOf(j)});
  }
  std::vector<int64_t> distance(pointCount + 1, -1);
  using Entry = std::pair<int64_t, int32_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
  open.push({0, start});
  while (!open.empty()) {
    const auto [d, u] = open.top();
    open.pop();
    if (distance[u] >= 0) continue;
    distance[u] = d;
    for (const auto& [v, w] : out[u])
      if (distance[v] < 0) open.push({d + w, v});
  }
  return distance;
}

// Checks that the last route marked walks real segments from start to
// target adding up to distance (-1: that none was found).
void ExpectRoute(int32_t result, int32_t start, int32_t target, int64_t distance) {
  SCOPED_TRACE(testing::Message() << "route " << start << " -> " << target);
  if (distance < 0) {
    EXPECT_EQ(result, RouteNotFound());
    EXPECT_TRUE(RouteCodes().empty());
    return;
  }
  const std::vector<int32_t> codes = RouteCodes(), route = RouteSegments();
  ASSERT_EQ(static_cast<int32_t>(codes.size()), result);
  ASSERT_EQ(route.size() + 1, codes.size());
  EXPECT_EQ(codes.front(), start);
  EXPECT_EQ(codes.back(), target);
  int64_t sum = 0;
  for (size_t i = 0; i < route.size(); ++i) {
    EXPECT_TRUE(Drives(route[i], codes[i], codes[i + 1])) << "segment " << route[i];
    sum += WeightOf(route[i]);
  }
  EXPECT_EQ(sum, distance);
  int32_t marked = 0;
  for (int32_t i = 0; i < pointCount; ++i) marked += pointOnRoute[i];
  EXPECT_EQ(marked, result);
}

TEST(FastRoutes, HierarchyAndKeptDijkstraMatchATextbookDijkstra) {
  const LoweredPassCapacity lowered;
  std::mt19937 random(2508);
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    SetRandomDirectedMap(random, 8 + round * 3, round % 3 == 2);
    auto hierarchy = BuildContractionHierarchy(SnapshotRoadGraph());
    ASSERT_TRUE(hierarchy);
    EXPECT_TRUE(IsSoundFrame(*hierarchy, nodeCount));
    const auto again = BuildContractionHierarchy(SnapshotRoadGraph(), nullptr, 2);  // the same on two threads
    EXPECT_EQ(again->rank, hierarchy->rank);
    EXPECT_EQ(again->arcStart, hierarchy->arcStart);
    ASSERT_EQ(again->arcs.size(), hierarchy->arcs.size());
    EXPECT_EQ(
        std::memcmp(again->arcs.data(), hierarchy->arcs.data(), again->arcs.size() * sizeof(HierarchyArc)),
        0);
    HierarchyQuery query;
    for (int32_t start = 1; start <= nodeCount; ++start) {
      const std::vector<int64_t> distance = TextbookDistances(start);
      for (int32_t target = 1; target <= nodeCount; ++target) {
        bool bad = false;
        ExpectRoute(FindRouteInHierarchy(*hierarchy, query, start, target, bad), start, target,
                    distance[target]);
        EXPECT_FALSE(bad);
        const std::vector<int32_t> first = RouteSegments();
        FindRouteInHierarchy(*hierarchy, query, start, target, bad);
        EXPECT_EQ(RouteSegments(), first) << "the same query gives the same route";
      }
      for (int32_t target = nodeCount; target >= 1; --target)  // the kept Dijkstra goes on from start
        ExpectRoute(FindRoute(start, target), start, target, distance[target]);
    }
  }
}

// A hierarchy of another graph, or one whose routes are no longer walks of
// the graph, is reported bad and Dijkstra answers.
TEST(FastRoutes, AHierarchyThatNoLongerFitsIsDroppedForDijkstra) {
  const LoweredPassCapacity lowered;
  std::mt19937 random(77);
  SetRandomDirectedMap(random, 60, false);
  FastRoutes routes;
  routes.Adopt(BuildContractionHierarchy(SnapshotRoadGraph()));
  ASSERT_TRUE(routes.Ready());
  auto stale = BuildContractionHierarchy(SnapshotRoadGraph());
  for (int32_t j = 0; j < segmentCount; ++j) segments[j].Length += 1;
  BuildRoadGraph();
  EXPECT_FALSE(routes.Ready()) << "a new generation of the graph";
  stale->generation = graphGeneration;  // pretend it fits: the walk check must catch it
  HierarchyQuery query;
  bool bad = false;
  for (int32_t target = 2; target <= nodeCount && !bad; ++target) {
    const int32_t result = FindRouteInHierarchy(*stale, query, 1, target, bad);
    ExpectRoute(result, 1, target, TextbookDistances(1)[target]);
  }
  EXPECT_TRUE(bad);
}

}  // namespace
