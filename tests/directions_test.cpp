// Directions told on small crafted maps, and the words for turns and
// compass bearings at their edges.
#include "route/directions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/store_setup.h"

namespace {

// A road of a crafted map; segment j is 100 + j long.
struct Road {
  int32_t from, to;
  const char* name;  // nullptr on every road: a map without names
  std::vector<TPoint> vertices = {};
  int8_t oneway = 0;
};
struct Map {
  std::vector<PointSpec> points;
  std::vector<Road> roads;
};

// Sets the map; points with odd codes are named "J<code>".
void SetRoads(const Map& map) {
  std::vector<SegmentSpec> specs;
  for (const Road& road : map.roads)
    specs.push_back({road.from, road.to, static_cast<int32_t>(100 + specs.size()), road.vertices});
  SetMap(map.points, specs);
  for (int32_t i = 0; i < pointCount; ++i)
    if (points[i].Code % 2) points[i].Text = "\"J" + std::to_string(points[i].Code) + "\"";
  if (map.roads[0].name) segmentName.Assign(map.roads.size());
  for (size_t j = 0; j < map.roads.size(); ++j) {
    if (map.roads[0].name) segmentName.Set(j, map.roads[j].name);
    segmentOneway.push_back(map.roads[j].oneway);
  }
  BuildRoadGraph();
}

// A road along a circle, turning 45 degrees left over many vertices, with a
// kink east in its last metre.
std::vector<TPoint> Arc() {
  std::vector<TPoint> v;
  for (double phi = 0; phi < 0.8; phi += 0.0873)
    v.push_back({static_cast<int32_t>(std::lround(200 * std::sin(phi))),
                 static_cast<int32_t>(std::lround(200 - 200 * std::cos(phi)))});
  v.back() = {140, 59};
  return v;
}

}  // namespace

TEST(Directions, CraftedMaps) {
  // A T: the bar 1-2-3 ("A") from west to east, the stem 2-4 ("B") north.
  const std::vector<PointSpec> t = {{0, 0, 1}, {100, 0, 2}, {200, 0, 3}, {100, 100, 4}};
  const Map tee{t, {{1, 2, "A"}, {2, 3, "A"}, {2, 4, "B"}}};
  // The arc from 1 ends at 2 heading northeast, going on as "A" to 3; "B"
  // leaves to the southeast.
  const Map curve{{{0, 0, 1}, {141, 59, 2}, {241, 159, 3}, {241, -41, 4}},
                  {{1, 2, "A", Arc()}, {2, 3, "A"}, {2, 4, "B"}}};
  // clang-format off
  const struct {
    const char* name;
    Map map;
    RoutePath route;
    std::vector<std::string> steps;  // "INSTRUCTION; LENGTH"
  } cases[] = {
      {"T, bar to stem left", tee, {{1, 2, 4}, {0, 2}}, {"Head east on A; 100", "Turn left onto B; 102", "Arrive at 4; 0"}},
      {"T, bar to stem right", tee, {{3, 2, 4}, {1, 2}}, {"Head west on A; 101", "Turn right onto B; 102", "Arrive at 4; 0"}},
      {"T, stem to bar right", tee, {{4, 2, 1}, {2, 0}}, {"Head south on B; 102", "Turn right onto A; 100", "Arrive at 1: J1; 0"}},
      {"T, stem to bar left", tee, {{4, 2, 3}, {2, 1}}, {"Head south on B; 102", "Turn left onto A; 101", "Arrive at 3: J3; 0"}},
      {"T, along the bar", tee, {{1, 2, 3}, {0, 1}}, {"Head east on A; 201", "Arrive at 3: J3; 0"}},
      {"straight on, the name changing", {t, {{1, 2, "A"}, {2, 3, "C"}}}, {{1, 2, 3}, {0, 1}}, {"Head east on A; 100", "Continue onto C; 101", "Arrive at 3: J3; 0"}},
      {"a bend no other road meets", {t, {{1, 2, "A"}, {2, 4, "A"}}}, {{1, 2, 4}, {0, 1}}, {"Head east on A; 201", "Arrive at 4; 0"}},
      {"a bend a one-way road meets", {t, {{1, 2, "A"}, {2, 4, "A"}, {3, 2, "C", {}, 1}}}, {{1, 2, 4}, {0, 1}}, {"Head east on A; 100", "Turn left onto A; 101", "Arrive at 4; 0"}},
      {"a curve, then straight on", curve, {{1, 2, 3}, {0, 1}}, {"Head east on A; 201", "Arrive at 3: J3; 0"}},
      {"a curve, then right", curve, {{1, 2, 4}, {0, 2}}, {"Head east on A; 100", "Turn right onto B; 102", "Arrive at 4; 0"}},
      {"a U-turn", tee, {{1, 2, 1}, {0, 0}}, {"Head east on A; 100", "Make a U-turn onto A; 100", "Arrive at 1: J1; 0"}},
      {"a U-turn at a dead end", {t, {{1, 2, "A"}}}, {{1, 2, 1}, {0, 0}}, {"Head east on A; 100", "Make a U-turn onto A; 100", "Arrive at 1: J1; 0"}},
      {"no names", {t, {{1, 2, nullptr}, {2, 3, nullptr}, {2, 4, nullptr}}}, {{1, 2, 4}, {0, 2}}, {"Head east; 100", "Turn left onto an unnamed road; 102", "Arrive at 4; 0"}},
      {"an unnamed piece", {t, {{1, 2, ""}, {2, 3, "A"}}}, {{1, 2, 3}, {0, 1}}, {"Head east; 100", "Continue onto A; 101", "Arrive at 3: J3; 0"}},
      {"one segment", {t, {{4, 2, "B"}}}, {{2, 4}, {0}}, {"Head north on B; 100", "Arrive at 4; 0"}},
      {"one point", tee, {{3}, {}}, {"Arrive at 3: J3; 0"}},
      {"no route", tee, {}, {}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetRoads(c.map);
    std::vector<std::string> told;
    for (const DirectionStep& step : Directions().StepsOf(c.route))
      told.push_back(step.instruction + "; " + std::to_string(step.length));
    EXPECT_EQ(told, c.steps);
  }
}

// Roads "B" leaving junction 2 at each angle (degrees left of straight on)
// from the road "A" 1-2 heading east, each a step, its words the angle's:
// just below and above each edge, and the edges whole coordinates give
// exactly; then each edge itself.
TEST(Directions, TurnBandsAtTheirEdges) {
  const struct {
    double degrees;
    const char* words;
  } turns[] = {{29.5, "Continue"},         {30.5, "Turn slight left"}, {-59.5, "Turn slight right"},
               {-60.5, "Turn right"},      {45, "Turn slight left"},   {90, "Turn left"},
               {134.5, "Turn left"},       {135, "Turn sharp left"},   {-135, "Turn sharp right"},
               {169.5, "Turn sharp left"}, {-170.5, "Make a U-turn"},  {180, "Make a U-turn"}};
  Map fan{{{0, 0, 1}, {1000, 0, 2}}, {{1, 2, "A"}}};
  for (const auto& turn : turns) {
    const double phi = turn.degrees / 57.29577951308232;
    const int32_t code = static_cast<int32_t>(fan.points.size()) + 1;
    fan.points.push_back({1000 + static_cast<int32_t>(std::lround(1000 * std::cos(phi))),
                          static_cast<int32_t>(std::lround(1000 * std::sin(phi))), code});
    fan.roads.push_back({2, code, "B"});
  }
  SetRoads(fan);
  for (int32_t code = 3; code < pointCount + 1; ++code) {
    EXPECT_EQ(Directions().StepsOf({{1, 2, code}, {0, code - 2}})[1].instruction,
              std::string(turns[code - 3].words) + " onto B")
        << turns[code - 3].degrees;
  }
  const double edges[] = {30, 60, 135, 170};
  const char* above[] = {"Turn slight right", "Turn right", "Turn sharp right", "Make a U-turn"};
  for (size_t k = 0; k < std::size(edges); ++k) {
    EXPECT_EQ(TurnWords(-edges[k]), above[k]) << edges[k];
    EXPECT_EQ(TurnWords(-std::nextafter(edges[k], 0.0)), k == 0 ? "Continue" : above[k - 1]) << edges[k];
  }
  const struct {
    double bearing;
    const char* word;
  } compass[] = {{0, "north"},          {22.49, "north"}, {22.5, "northeast"}, {67.5, "east"}, {180, "south"},
                 {337.49, "northwest"}, {337.5, "north"}, {359.9, "north"},    {-90, "west"}};
  for (const auto& c : compass) EXPECT_EQ(CompassWord(c.bearing), c.word) << c.bearing;
}
