#include "tests/turn_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "tests/turn_maps.h"

namespace {

// A block of six junctions and a dead-end street:
//   1 -0- 2 -1- 3
//   |2    |3    |4
//   4 -5- 5 -6- 6
//         |7
//         7
const TurnRoads kBlock = {{1, 2, 10}, {2, 3, 10}, {1, 4, 12}, {2, 5, 10},
                          {3, 6, 10}, {4, 5, 10}, {5, 6, 10}, {5, 7, 15}};
const TurnRestriction kNoLeft4To6 = {false, 5, 6, 5, {}};     // 4 -> 5 -> 6
const TurnRestriction kOnlyOn2To7 = {true, 3, 7, 5, {}};      // 2 -> 5 -> 7 only
const TurnRoads kSpur = {{1, 2, 10}, {2, 3, 10}, {2, 4, 5}};  // 4 a dead end
const TurnRoads kLoop = {{1, 2, 10}, {2, 3, 10}, {2, 2, 3}};  // a loop at 2
const TurnRestriction kNoOn1To3 = {false, 0, 1, 2, {}};       // 1 -> 2 -> 3, on both maps

// The roads and one more, its index the next.
TurnRoads With(TurnRoads roads, const TurnRoad& more) {
  roads.push_back(more);
  return roads;
}

// The least weight of the walks of at most maxSteps steps from start that
// are drivable, break no row and make no forbidden U-turn, each checked as
// a whole walk at every step, by their end junctions.
std::map<int32_t, int64_t> LeastWeightsOfShortWalks(const TurnRoads& roads, const TurnRestrictions& rows,
                                                    int32_t start, size_t maxSteps) {
  std::map<int32_t, int64_t> least;
  TurnRoute walk{true, 0, {start}, {}};
  const std::function<void()> extend = [&]() {
    const int32_t at = walk.codes.back();
    const auto [known, added] = least.emplace(at, walk.weight);
    if (!added) known->second = std::min(known->second, walk.weight);
    if (walk.segments.size() == maxSteps) return;
    for (int32_t s = 0; s < static_cast<int32_t>(roads.size()); ++s) {
      const TurnRoad& road = roads[static_cast<size_t>(s)];
      if (road.from != at && road.to != at) continue;
      walk.codes.push_back(road.from == at ? road.to : road.from);
      walk.segments.push_back(s);
      walk.weight += road.weight;
      if (IsDrivableWalk(walk, roads) && !BreaksARow(walk, rows) && !HasForbiddenUTurn(walk, roads)) extend();
      walk.weight -= road.weight;
      walk.codes.pop_back();
      walk.segments.pop_back();
    }
  };
  extend();
  return least;
}

}  // namespace

TEST(TurnReference, FindsTheLightestWalkThatBreaksNoRule) {
  struct Case {
    const char* name;
    TurnRoads roads;
    std::vector<TurnRestriction> rows;
    int32_t start, target;
    int64_t weight;  // -1: unreachable
  };
  const std::vector<Case> cases = {
      {"no rows", kBlock, {}, 4, 6, 20},
      {"a forbidden left goes round the block", kBlock, {kNoLeft4To6}, 4, 6, 40},
      {"driven the other way the row does not apply", kBlock, {kNoLeft4To6}, 6, 4, 20},
      {"only straight on forbids the turn", kBlock, {kOnlyOn2To7}, 2, 4, 22},
      {"a route may start at a via", kBlock, {kOnlyOn2To7}, 5, 4, 10},
      {"a route may end at a via", kBlock, {kOnlyOn2To7}, 2, 5, 10},
      {"start is target", kBlock, {kNoLeft4To6, kOnlyOn2To7}, 5, 5, 0},
      {"a U-turn at a dead end", kSpur, {kNoOn1To3}, 1, 3, 30},
      {"no U-turn where a road goes on", With(kSpur, {4, 5, 1}), {kNoOn1To3}, 1, 3, 32},
      {"a one-way road in makes a dead end", With(kSpur, {5, 4, 1, 1}), {kNoOn1To3}, 1, 3, 30},
      {"a loop is no U-turn", kLoop, {kNoOn1To3}, 1, 3, 23},
      {"a loop twice is a U-turn", kLoop, {kNoOn1To3, {false, 0, 1, 2, {2}}}, 1, 3, -1},
      {"through a way",
       {{1, 2, 10}, {2, 3, 10}, {3, 4, 10}, {1, 5, 15}, {5, 4, 20}},
       {{false, 0, 2, 2, {1}}},
       1,
       4,
       35},
      {"starting on the way",
       {{1, 2, 10}, {2, 3, 10}, {3, 4, 10}, {1, 5, 15}, {5, 4, 20}},
       {{false, 0, 2, 2, {1}}},
       2,
       4,
       20},
      {"against a one-way road", {{1, 2, 10, 1}}, {}, 2, 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TurnRestrictions rows{c.rows};
    const TurnRoute route = ReferenceTurnRoute(c.roads, rows, c.start, c.target);
    EXPECT_EQ(route.found ? route.weight : -1, c.weight);
    if (!route.found) continue;
    EXPECT_TRUE(IsDrivableWalk(route, c.roads));
    EXPECT_EQ(route.codes.front(), c.start);
    EXPECT_EQ(route.codes.back(), c.target);
    EXPECT_FALSE(BreaksARow(route, rows));
    EXPECT_FALSE(HasForbiddenUTurn(route, c.roads));
  }
}

TEST(TurnReference, TellsWhichWalksBreakARowOrTurnBack) {
  struct Case {
    std::vector<int32_t> codes, segments;
    bool breaks, turnsBack;
  };
  const TurnRestrictions rows{{kNoLeft4To6, kOnlyOn2To7, {false, 5, 5, 5, {}}}};  // and no U-turn 4 -> 5 -> 4
  const std::vector<Case> cases = {
      {{4, 5, 6}, {5, 6}, true, false},
      {{6, 5, 4}, {6, 5}, false, false},
      {{2, 5, 4}, {3, 5}, true, false},
      {{2, 5}, {3}, false, false},
      {{2, 5, 7}, {3, 7}, false, false},
      {{4, 5, 4}, {5, 5}, true, true},
      {{5, 4, 5}, {5, 5}, false, true},
      {{5, 7, 5}, {7, 7}, false, false},
      {{2, 5, 7, 5, 6}, {3, 7, 7, 6}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.codes));
    const TurnRoute walk{true, 0, c.codes, c.segments};
    EXPECT_EQ(BreaksARow(walk, rows), c.breaks);
    EXPECT_EQ(HasForbiddenUTurn(walk, kBlock), c.turnsBack);
  }
}

// On random maps, the reference's route obeys every rule, and no walk of up
// to six steps, checked whole, is lighter; where its route has at most six
// steps, the lightest of them weighs the same.
TEST(TurnReference, NoShortWalkBeatsItOnRandomMaps) {
  constexpr size_t kSteps = 6;
  for (uint32_t seed = 0; seed < 60; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const TurnMap map = RandomTurnMap(random);
    const TurnRoads roads = RoadsOf(map, map.columns.duration && seed % 2 == 1);
    const TurnRestrictions rows = RestrictionsOf(map);
    const auto n = static_cast<int32_t>(map.network.junctions.size());
    for (const int32_t start : {1, n / 2 + 1}) {
      const std::map<int32_t, int64_t> least = LeastWeightsOfShortWalks(roads, rows, start, kSteps);
      for (int32_t target = 1; target <= n; ++target) {
        const TurnRoute route = ReferenceTurnRoute(roads, rows, start, target);
        const auto shortWalk = least.find(target);
        if (shortWalk != least.end()) {
          ASSERT_TRUE(route.found) << start << " to " << target;
          EXPECT_LE(route.weight, shortWalk->second) << start << " to " << target;
        }
        if (!route.found) continue;
        EXPECT_TRUE(IsDrivableWalk(route, roads) && !BreaksARow(route, rows) &&
                    !HasForbiddenUTurn(route, roads));
        EXPECT_EQ(route.codes.front(), start);
        EXPECT_EQ(route.codes.back(), target);
        if (route.segments.size() <= kSteps) {
          ASSERT_TRUE(shortWalk != least.end()) << start << " to " << target;
          EXPECT_EQ(shortWalk->second, route.weight) << start << " to " << target;
        }
      }
    }
  }
}
