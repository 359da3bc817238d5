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

// A road of a crafted map; segment j is 100 + j long and takes 10 * (j + 1)
// tenths of a second when the map has durations.
struct Road {
  int32_t from, to;
  const char* name;  // nullptr on every road: a map without names
  std::vector<TPoint> vertices = {};
  int8_t oneway = 0;
};

// Sets the map; points with odd codes are named "J<code>".
void SetRoads(const std::vector<PointSpec>& ps, const std::vector<Road>& roads, bool durations) {
  std::vector<SegmentSpec> specs;
  for (size_t j = 0; j < roads.size(); ++j)
    specs.push_back({roads[j].from, roads[j].to, static_cast<int32_t>(100 + j), roads[j].vertices});
  SetMap(ps, specs);
  for (int32_t i = 0; i < pointCount; ++i)
    if (points[i].Code % 2) points[i].Text = "\"J" + std::to_string(points[i].Code) + "\"";
  if (roads[0].name) segmentName.Assign(roads.size());
  for (size_t j = 0; j < roads.size(); ++j) {
    if (roads[0].name) segmentName.Set(j, roads[j].name);
    segmentOneway.push_back(roads[j].oneway);
    if (durations) segmentDuration.push_back(static_cast<int32_t>(10 * (j + 1)));
  }
  BuildRoadGraph();
}

// Each step as "INSTRUCTION; LENGTH[; TENTHS]".
std::vector<std::string> Told(const RoutePath& route) {
  std::vector<std::string> told;
  for (const DirectionStep& step : Directions().StepsOf(route)) {
    told.push_back(step.instruction + "; " + std::to_string(step.length) +
                   (segmentDuration.empty() ? "" : "; " + std::to_string(step.tenths)));
  }
  return told;
}

// A T: the bar 1-2-3 ("A") from west to east, the stem 2-4 ("B") north.
const std::vector<PointSpec> kT = {{0, 0, 1}, {100, 0, 2}, {200, 0, 3}, {100, 100, 4}};
const std::vector<Road> kTRoads = {{1, 2, "A"}, {2, 3, "A"}, {2, 4, "B"}};

// A road along a circle, turning 45 degrees left over many vertices, to 2,
// with a kink in its last metre; it goes on as "A" in the same direction.
std::vector<TPoint> Arc() {
  std::vector<TPoint> v;
  for (int degrees = 0; degrees <= 45; degrees += 5) {
    const double phi = degrees / 57.29577951308232;
    v.push_back({static_cast<int32_t>(std::lround(200 * std::sin(phi))),
                 static_cast<int32_t>(std::lround(200 - 200 * std::cos(phi)))});
  }
  v.insert(v.end() - 1, TPoint{140, 59});
  return v;
}

}  // namespace

TEST(Directions, CraftedMaps) {
  const struct {
    const char* name;
    std::vector<PointSpec> points;
    std::vector<Road> roads;
    bool durations;
    RoutePath route;
    std::vector<std::string> steps;
  } cases[] = {
      {"T, from the bar left into the stem",
       kT,
       kTRoads,
       true,
       {{1, 2, 4}, {0, 2}},
       {"Head east on A; 100; 10", "Turn left onto B; 102; 30", "Arrive at 4; 0; 0"}},
      {"T, from the bar right into the stem",
       kT,
       kTRoads,
       false,
       {{3, 2, 4}, {1, 2}},
       {"Head west on A; 101", "Turn right onto B; 102", "Arrive at 4; 0"}},
      {"T, from the stem right",
       kT,
       kTRoads,
       false,
       {{4, 2, 1}, {2, 0}},
       {"Head south on B; 102", "Turn right onto A; 100", "Arrive at 1: J1; 0"}},
      {"T, from the stem left",
       kT,
       kTRoads,
       false,
       {{4, 2, 3}, {2, 1}},
       {"Head south on B; 102", "Turn left onto A; 101", "Arrive at 3: J3; 0"}},
      {"T, along the bar",
       kT,
       kTRoads,
       false,
       {{1, 2, 3}, {0, 1}},
       {"Head east on A; 201", "Arrive at 3: J3; 0"}},
      {"a straight road changing its name",
       kT,
       {{1, 2, "A"}, {2, 3, "C"}},
       false,
       {{1, 2, 3}, {0, 1}},
       {"Head east on A; 100", "Continue onto C; 101", "Arrive at 3: J3; 0"}},
      {"a bend no other road meets",
       kT,
       {{1, 2, "A"}, {2, 4, "A"}},
       false,
       {{1, 2, 4}, {0, 1}},
       {"Head east on A; 201", "Arrive at 4; 0"}},
      {"a bend a one-way road meets",
       kT,
       {{1, 2, "A"}, {2, 4, "A"}, {3, 2, "C", {}, 1}},
       false,
       {{1, 2, 4}, {0, 1}},
       {"Head east on A; 100", "Turn left onto A; 101", "Arrive at 4; 0"}},
      {"a curve of many vertices then straight on",
       {{0, 0, 1}, {141, 59, 2}, {241, 159, 3}, {241, -41, 4}},
       {{1, 2, "A", Arc()}, {2, 3, "A"}, {2, 4, "B"}},
       false,
       {{1, 2, 3}, {0, 1}},
       {"Head east on A; 201", "Arrive at 3: J3; 0"}},
      {"a curve of many vertices then right",
       {{0, 0, 1}, {141, 59, 2}, {241, 159, 3}, {241, -41, 4}},
       {{1, 2, "A", Arc()}, {2, 3, "A"}, {2, 4, "B"}},
       false,
       {{1, 2, 4}, {0, 2}},
       {"Head east on A; 100", "Turn right onto B; 102", "Arrive at 4; 0"}},
      {"a U-turn",
       kT,
       kTRoads,
       false,
       {{1, 2, 1}, {0, 0}},
       {"Head east on A; 100", "Make a U-turn onto A; 100", "Arrive at 1: J1; 0"}},
      {"a map without names",
       kT,
       {{1, 2, nullptr}, {2, 3, nullptr}, {2, 4, nullptr}},
       false,
       {{1, 2, 4}, {0, 2}},
       {"Head east; 100", "Turn left onto an unnamed road; 102", "Arrive at 4; 0"}},
      {"an unnamed piece",
       kT,
       {{1, 2, ""}, {2, 3, "A"}},
       false,
       {{1, 2, 3}, {0, 1}},
       {"Head east; 100", "Continue onto A; 101", "Arrive at 3: J3; 0"}},
      {"one segment", kT, {{4, 2, "B"}}, false, {{2, 4}, {0}}, {"Head north on B; 100", "Arrive at 4; 0"}},
      {"one point", kT, kTRoads, false, {{3}, {}}, {"Arrive at 3: J3; 0"}},
      {"no route", kT, kTRoads, false, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetRoads(c.points, c.roads, c.durations);
    EXPECT_EQ(Told(c.route), c.steps);
  }
}

// Roads "B" leaving junction 2 at each angle (degrees left of straight on)
// from the road "A" 1-2 heading east, each a step, its words the angle's:
// just below and above each edge, and the edges whole coordinates give
// exactly.
TEST(Directions, TurnBandsAtTheirEdges) {
  const struct {
    double degrees;
    const char* words;
  } turns[] = {{29.5, "Continue"},         {30.5, "Turn slight left"}, {-59.5, "Turn slight right"},
               {-60.5, "Turn right"},      {45, "Turn slight left"},   {90, "Turn left"},
               {134.5, "Turn left"},       {135, "Turn sharp left"},   {-135, "Turn sharp right"},
               {169.5, "Turn sharp left"}, {-170.5, "Make a U-turn"},  {180, "Make a U-turn"}};
  std::vector<PointSpec> ps = {{0, 0, 1}, {1000, 0, 2}};
  std::vector<Road> roads = {{1, 2, "A"}};
  for (const auto& turn : turns) {
    const double phi = turn.degrees / 57.29577951308232;
    const int32_t code = static_cast<int32_t>(ps.size()) + 1;
    ps.push_back({1000 + static_cast<int32_t>(std::lround(1000 * std::cos(phi))),
                  static_cast<int32_t>(std::lround(1000 * std::sin(phi))), code});
    roads.push_back({2, code, "B"});
  }
  SetRoads(ps, roads, false);
  for (size_t k = 0; k < std::size(turns); ++k) {
    SCOPED_TRACE(turns[k].degrees);
    const int32_t code = static_cast<int32_t>(k) + 3;
    EXPECT_EQ(Directions().StepsOf({{1, 2, code}, {0, code - 2}})[1].instruction,
              std::string(turns[k].words) + " onto B");
  }
  EXPECT_EQ(TurnWords(29.999999), "Continue");
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
