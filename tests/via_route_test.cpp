// Routes through vias against a model: the independent reference search's
// legs, joined.
#include "route/via_route.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "tests/random_maps.h"
#include "tests/route_reference.h"
#include "tests/store_setup.h"

namespace {

// The route through stops, each leg the reference's route; reached false
// when a leg is not.
struct Joined {
  bool reached = true;
  RoutePath route;
};
Joined JoinedLegs(const std::vector<int32_t>& stops) {
  Joined joined;
  joined.route.codes = {stops[0]};
  for (size_t i = 0; i + 1 < stops.size(); ++i) {
    const RouteOutcome leg = ReferenceRoute(stops[i], stops[i + 1]);
    if (leg.route.empty()) return {false, {}};
    joined.route.codes.insert(joined.route.codes.end(), leg.route.rbegin() + 1, leg.route.rend());
    joined.route.segments.insert(joined.route.segments.end(), leg.segments.rbegin(), leg.segments.rend());
  }
  return joined;
}

}  // namespace

// Random maps (with durations, weighed by them now and then), random stops
// (a via may repeat the stop before it, or be unreachable) and several
// targets per set of stops: the count, the route and the marks are the
// joined legs', and a via's leg is found again when the graph changes.
TEST(ViaRoute, EqualsTheShortestLegsJoined) {
  std::mt19937 random(2027);
  const auto pick = [&random](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  for (int round = 0; round < 300; ++round) {
    const RandomMap map = TieRichMap(random);
    SetMap(map.points, map.roads);
    for (int32_t j = 0; j < segmentCount; ++j) segmentDuration.push_back(pick(0, 30));
    const int32_t n = pointCount;
    ViaRoute via;
    std::vector<int32_t> stops{pick(1, n)};
    for (int32_t k = pick(0, 3); k > 0; --k) stops.push_back(pick(0, 2) == 0 ? stops.back() : pick(1, n));
    via.SetStops(stops);
    for (int move = 0; move < 5; ++move) {
      if (pick(0, 4) == 0) {
        graphWeighsDurations = !graphWeighsDurations;
        BuildRoadGraph();
      }
      const int32_t target = pick(0, 3) == 0 ? stops.back() : pick(1, n);
      SCOPED_TRACE("round " + std::to_string(round) + ", move " + std::to_string(move));
      std::vector<int32_t> all = stops;
      all.push_back(target);
      const Joined expected = JoinedLegs(all);
      const int32_t count = via.RouteTo(target);
      ASSERT_EQ(count,
                expected.reached ? static_cast<int32_t>(expected.route.codes.size()) : RouteNotFound());
      ASSERT_EQ(via.Route().codes, expected.route.codes);
      ASSERT_EQ(via.Route().segments, expected.route.segments);
      const RouteOutcome marks = ProgramOutcome(count);
      std::set<int32_t> onRoute,
          takenSegments(expected.route.segments.begin(), expected.route.segments.end());
      for (const int32_t code : expected.route.codes) onRoute.insert(code - 1);
      ASSERT_EQ(marks.markedPoints, onRoute);
      ASSERT_EQ(marks.markedSegments, takenSegments);
      ASSERT_GE(via.Ticks(), 0);
    }
  }
  ClearMapStore();
}
