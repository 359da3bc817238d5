// Routes on maps with turn restrictions, from every search, against the
// independent reference: the same least weight, and a route that breaks no
// row and makes no U-turn but at a dead end.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/contraction_hierarchy.h"
#include "route/fast_route_search.h"
#include "route/route_search.h"
#include "route/turn_graph.h"
#include "route/via_route.h"
#include "tests/turn_maps.h"
#include "tests/turn_reference.h"

namespace {

// The last route found, as the reference gives its routes, weighed by roads.
TurnRoute LastTurnRoute(const TurnRoads& roads) {
  TurnRoute route{true, 0, RouteCodes(), RouteSegments()};
  for (const int32_t s : route.segments) route.weight += roads[static_cast<size_t>(s)].weight;
  return route;
}

// Checks that the route is legal and as light as the reference's.
void ExpectLikeReference(const TurnRoute& found, bool reached, const TurnRoute& reference,
                         const TurnRoads& roads, const TurnRestrictions& rows) {
  ASSERT_EQ(reached, reference.found);
  if (!reached) return;
  EXPECT_EQ(found.weight, reference.weight);
  EXPECT_TRUE(IsDrivableWalk(found, roads));
  EXPECT_FALSE(BreaksARow(found, rows));
  EXPECT_FALSE(HasForbiddenUTurn(found, roads));
}

// The reference's route for every pair of junctions of the loaded map,
// start by start.
std::vector<TurnRoute> ReferenceRoutes(const TurnRoads& roads, const TurnRestrictions& rows) {
  std::vector<TurnRoute> routes;
  for (int32_t start = 1; start <= pointCount; ++start)
    for (int32_t target = 1; target <= pointCount; ++target)
      routes.push_back(ReferenceTurnRoute(roads, rows, start, target));
  return routes;
}

// Every pair of junctions of the loaded map, searched by routes, against
// the reference's routes.
void CheckEveryPair(FastRoutes& routes, const std::vector<TurnRoute>& reference, const TurnRoads& roads,
                    const TurnRestrictions& rows) {
  for (int32_t start = 1; start <= pointCount; ++start) {
    for (int32_t target = 1; target <= pointCount; ++target) {
      SCOPED_TRACE(std::to_string(start) + " to " + std::to_string(target));
      const bool reached = routes.Find(start, target) != RouteNotFound();
      ExpectLikeReference(LastTurnRoute(roads), reached,
                          reference[static_cast<size_t>((start - 1) * pointCount + target - 1)], roads, rows);
    }
  }
}

}  // namespace

// On random small maps with random T layers, by length and by duration,
// Dijkstra's search over the turn graph and its contraction hierarchy give
// the reference's weight for every pair, and a legal route; a route through
// a via breaks no row there either.
TEST(TurnRoutes, EverySearchMatchesTheReference) {
  std::mt19937 random(51);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("map " + std::to_string(round));
    const TurnMap map = RandomTurnMap(random);
    TempDir dir;
    ClearMapAndRoute();
    const TurnRestrictions rows = LoadMapLayers(WriteTurnMap(map, dir));
    const TurnRestrictions written = RestrictionsOf(map);
    ASSERT_EQ(rows.rows.size(), written.rows.size());
    for (size_t r = 0; r < rows.rows.size(); ++r) {
      const TurnRestriction &a = rows.rows[r], &b = written.rows[r];
      EXPECT_TRUE(a.only == b.only && a.from == b.from && a.to == b.to && a.via == b.via && a.ways == b.ways)
          << "row " << r;
    }
    for (const bool fastest : {false, true}) {
      if (fastest && !map.columns.duration) continue;
      SCOPED_TRACE(fastest ? "fastest" : "shortest");
      graphWeighsDurations = fastest;
      BuildRoadGraph();
      const TurnRoads roads = RoadsOfStore(fastest);
      const std::vector<TurnRoute> reference = ReferenceRoutes(roads, rows);
      // No ring, one and two around the rows (the fewer, the more routes
      // searched again everywhere), and everywhere.
      for (const int rings : {0, 1, TurnGraph::kAroundRows, TurnGraph::kEverywhere}) {
        SCOPED_TRACE("rings " + std::to_string(rings));
        auto turns = std::make_shared<TurnGraph>(SnapshotRoadGraph(), rows, rings);
        FastRoutes routes;
        routes.SetTurns(turns);
        CheckEveryPair(routes, reference, roads, rows);
        routes.Adopt(BuildContractionHierarchy(turns->Graph()));
        ASSERT_TRUE(routes.Ready());
        CheckEveryPair(routes, reference, roads, rows);
      }
      auto turns = std::make_shared<TurnGraph>(SnapshotRoadGraph(), rows, 0);
      FastRoutes routes;
      routes.SetTurns(turns);

      ViaRoute via;
      via.SetStops({1, pointCount / 2 + 1});
      const auto leg = [&routes](int32_t from, int32_t to, int32_t& arrival) {
        return routes.FindLeg(from, to, arrival);
      };
      for (int32_t target = 1; target <= pointCount; ++target) {
        if (via.RouteTo(target, leg) == RouteNotFound()) continue;
        TurnRoute whole{true, 0, via.Route().codes, via.Route().segments};
        for (const int32_t s : whole.segments) whole.weight += roads[static_cast<size_t>(s)].weight;
        EXPECT_FALSE(BreaksARow(whole, rows)) << "via route to " << target;
        EXPECT_FALSE(HasForbiddenUTurn(whole, roads)) << "via route to " << target;
      }
    }
    graphWeighsDurations = false;
  }
}

// A map with a T layer is prepared whatever its size; its routes from the
// cache are those found without it, and stay so when the T layer changes on
// disk after prepare: the old hierarchy is never taken for the new rows.
TEST(TurnRoutes, TheCacheFollowsTheTurnLayer) {
  std::mt19937 random(7);
  TurnMap map = RandomTurnMap(random);
  while (map.rows.size() < 4) map = RandomTurnMap(random);
  TempDir dir;
  const std::string mif = WriteTurnMap(map, dir);
  const std::string run = "XDG_CACHE_HOME='" + dir.Path() + "/cache' '" + kRuvelRoute + "' ";
  std::string pairs;
  for (size_t i = 1; i <= map.network.junctions.size(); ++i)
    pairs += " " + std::to_string(i) + " " + std::to_string(map.network.junctions.size() + 1 - i);
  const auto expectCachedLikeDirect = [&](const std::string& when) {
    SCOPED_TRACE(when);
    const CommandResult cached = RunCommand(run + "route '" + mif + "'" + pairs);
    const CommandResult direct = RunCommand(run + "route --no-cache '" + mif + "'" + pairs);
    ASSERT_EQ(cached.exitCode, 0) << cached.err;
    EXPECT_EQ(RouteLengths(cached.out), RouteLengths(direct.out));
  };
  const CommandResult prepared = RunCommand(run + "prepare '" + mif + "'");
  ASSERT_EQ(prepared.exitCode, 0) << prepared.err;
  EXPECT_NE(prepared.out.find("prepared: "), std::string::npos) << prepared.out;
  expectCachedLikeDirect("as prepared");
  map.rows.resize(map.rows.size() / 2);
  WriteTurnMap(map, dir);
  expectCachedLikeDirect("half the rows gone");
}
