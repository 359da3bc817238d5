#include "route/route_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <vector>

#include "app/main_form.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/directed_graph.h"
#include "route/via_route.h"
#include "tests/main_form_fixture.h"
#include "tests/random_maps.h"
#include "tests/route_reference.h"
#include "tests/store_setup.h"
#include "tests/test_files.h"
#include "toolkit/controls.h"
#include "toolkit/exceptions.h"

namespace {

// Points with codes 1..n in file order, placed on a line.
std::vector<PointSpec> Points(int32_t n) {
  std::vector<PointSpec> ps;
  for (int32_t i = 0; i < n; ++i) ps.push_back({i * 10, 0, i + 1});
  return ps;
}

std::set<int32_t> MarkedPoints() { return ProgramOutcome(0).markedPoints; }
std::set<int32_t> MarkedSegments() { return ProgramOutcome(0).markedSegments; }

// Marks from an earlier route, which every search must clear: one through
// every point of the map in code order, over segments 0, 1, ...
void MarkEverything() {
  std::vector<int32_t> codes, walkSegments;
  for (int32_t code = 1; code <= nodeCount; ++code) codes.push_back(code);
  for (int32_t segment = 0; segment + 1 < nodeCount; ++segment) walkSegments.push_back(segment);
  MarkFoundRoute(codes, walkSegments);
}

class RouteSearch : public MainFormTest {};

}  // namespace

TEST_F(RouteSearch, WorkedExample) {
  SetMap({{100, 200, 1}, {300, 200, 2}, {300, 400, 3}}, {{1, 2, 200, {}}, {2, 3, 210, {}}});
  routeTicks = -1;
  EXPECT_EQ(FindRoute(1, 3), 3);
  EXPECT_EQ(MarkedPoints(), (std::set<int32_t>{0, 1, 2}));
  EXPECT_EQ(MarkedSegments(), (std::set<int32_t>{0, 1}));
  EXPECT_GE(routeTicks, 0);
  EXPECT_EQ(RouteCodes(), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(RouteSegments(), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(RouteLength(), 410);
}

// Small maps with the result and the marks each search must give.
TEST_F(RouteSearch, EdgeCases) {
  const struct {
    const char* name;
    int32_t pointCount;
    std::vector<SegmentSpec> roads;
    int32_t start, target, result;
    std::set<int32_t> points, segments;
  } cases[] = {
      {"start equals target", 3, {{1, 2, 5, {}}}, 2, 2, 1, {1}, {}},
      {"start without entries equals target", 3, {{1, 2, 5, {}}}, 3, 3, 1, {2}, {}},
      {"one segment to the target", 2, {{2, 1, 7, {}}}, 1, 2, 2, {0, 1}, {0}},
      {"a later, longer-hop route is shorter",
       4,
       {{1, 4, 100, {}}, {1, 2, 10, {}}, {2, 3, 10, {}}, {3, 4, 10, {}}},
       1,
       4,
       4,
       {0, 1, 2, 3},
       {1, 2, 3}},
      {"equal lengths: the route found first is kept",
       4,
       {{1, 2, 5, {}}, {2, 4, 5, {}}, {1, 3, 5, {}}, {3, 4, 5, {}}},
       1,
       4,
       3,
       {0, 1, 3},
       {0, 1}},
      {"a loop never improves anything", 2, {{1, 1, 0, {}}, {1, 2, 3, {}}}, 1, 2, 2, {0, 1}, {1}},
      {"zero lengths are allowed", 3, {{1, 2, 0, {}}, {2, 3, 0, {}}, {1, 3, 0, {}}}, 1, 3, 2, {0, 2}, {2}},
      {"parallel segments: the shorter one", 2, {{1, 2, 9, {}}, {2, 1, 4, {}}}, 1, 2, 2, {0, 1}, {1}},
      {"unreachable target", 4, {{1, 2, 5, {}}, {3, 4, 5, {}}}, 1, 4, RouteNotFound(), {}, {}},
      {"isolated start", 3, {{2, 3, 5, {}}}, 1, 3, RouteNotFound(), {}, {}},
      {"start code 0", 3, {{1, 2, 5, {}}}, 0, 2, RouteNotFound(), {}, {}},
      {"negative start code", 3, {{1, 2, 5, {}}}, -4, 2, RouteNotFound(), {}, {}},
      {"target beyond the points", 3, {{1, 2, 5, {}}}, 1, 4, RouteNotFound(), {}, {}},
      {"target far beyond the arrays", 3, {{1, 2, 5, {}}}, 1, INT32_MAX, RouteNotFound(), {}, {}},
      {"neighbour codes outside the graph are skipped",
       3,
       {{1, 0, 1, {}}, {1, 7, 1, {}}, {1, 3, 4, {}}},
       1,
       3,
       2,
       {0, 2},
       {2}},
      {"sums beyond 32 bits improve nothing",
       3,
       {{1, 2, INT32_MAX - 1, {}}, {2, 3, 10, {}}},
       1,
       3,
       RouteNotFound(),
       {},
       {}},
      // A negative segment is a negative cycle in both directions: the passes
      // stop at their bound and the walk back still reaches the start.
      {"negative lengths still end", 3, {{1, 2, -5, {}}, {2, 3, 1, {}}}, 1, 3, 3, {0, 1, 2}, {0, 1}},
      {"a negative loop still ends",
       3,
       {{2, 2, -1, {}}, {1, 2, 1, {}}, {2, 3, 1, {}}},
       1,
       3,
       RouteNotFound(),
       {},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetMap(Points(c.pointCount), c.roads);
    MarkEverything();
    EXPECT_EQ(FindRoute(c.start, c.target), c.result);
    EXPECT_EQ(MarkedPoints(), c.points);
    EXPECT_EQ(MarkedSegments(), c.segments);
  }
}

namespace {

// Shortest distances from start by a textbook Dijkstra over the segments,
// the unsettled points kept ordered in a set.
std::vector<int64_t> ReferenceDistances(int32_t n, const std::vector<SegmentSpec>& ss, int32_t start) {
  std::vector<std::vector<std::pair<int32_t, int32_t>>> next(n + 1);
  for (const SegmentSpec& s : ss) {
    next[s.from].push_back({s.to, s.length});
    next[s.to].push_back({s.from, s.length});
  }
  std::vector<int64_t> distance(n + 1, INT64_MAX);
  std::set<std::pair<int64_t, int32_t>> open{{0, start}};
  distance[start] = 0;
  while (!open.empty()) {
    const auto [d, u] = *open.begin();
    open.erase(open.begin());
    for (const auto& [v, w] : next[u]) {
      if (d + w >= distance[v]) continue;
      open.erase({distance[v], v});
      distance[v] = d + w;
      open.insert({distance[v], v});
    }
  }
  return distance;
}

}  // namespace

// On random graphs (parallel segments, loops, zero lengths, several
// components), the route found is a real route of the graph, as short as the
// shortest one, and the marks are exactly its points and segments.
TEST_F(RouteSearch, FindsShortestRoutesOnRandomGraphs) {
  std::mt19937 random(99);
  const auto pick = [&random](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  for (int round = 0; round < 200; ++round) {
    const int32_t n = pick(1, 30);
    std::vector<SegmentSpec> ss(pick(0, 2 * n));
    for (SegmentSpec& s : ss) {
      s.from = pick(1, n);
      s.to = pick(0, 9) == 0 ? s.from : pick(1, n);
      s.length = pick(0, 4) == 0 ? 0 : pick(1, 50);
    }
    SetMap(Points(n), ss);
    for (int query = 0; query < 5; ++query) {
      const int32_t start = pick(1, n), target = pick(1, n);
      const int64_t shortest = ReferenceDistances(n, ss, start)[target];
      const int32_t count = FindRoute(start, target);
      SCOPED_TRACE("round " + std::to_string(round) + ": " + std::to_string(start) + " to " +
                   std::to_string(target));
      if (shortest == INT64_MAX) {
        EXPECT_EQ(count, RouteNotFound());
        EXPECT_TRUE(MarkedPoints().empty());
        EXPECT_TRUE(MarkedSegments().empty());
        continue;
      }
      ASSERT_GE(count, 1);
      ASSERT_LT(count, RouteNotFound());
      const std::vector<int32_t> codes = RouteCodes(), route = RouteSegments();
      ASSERT_EQ(codes.size(), static_cast<size_t>(count));
      ASSERT_EQ(codes.front(), start);
      ASSERT_EQ(codes.back(), target);
      int64_t length = 0;
      std::set<int32_t> routePoints{target - 1}, routeSegments;
      for (size_t i = 0; i < route.size(); ++i) {
        const SegmentSpec& s = ss[route[i]];
        const std::set<int32_t> ends{s.from, s.to}, step{codes[i], codes[i + 1]};
        ASSERT_EQ(ends, step) << "step " << i << " is not along its segment";
        length += s.length;
        routePoints.insert(codes[i] - 1);
        routeSegments.insert(route[i]);
      }
      EXPECT_EQ(length, shortest);
      EXPECT_EQ(RouteLength(), shortest);
      EXPECT_EQ(MarkedPoints(), routePoints);
      EXPECT_EQ(MarkedSegments(), routeSegments);
    }
  }
}

// Codes that are not 1..n in file order leave entries naming codes outside
// the graph (here 0 and 9 on a three-point map); they are skipped.
TEST_F(RouteSearch, SkipsNeighboursOutsideTheGraphWhenCodesAreOff) {
  SetMap({{0, 0, 1}, {10, 0, 9}, {20, 0, 0}, {30, 0, 3}},
         {{1, 9, 1, {}}, {9, 3, 1, {}}, {1, 0, 1, {}}, {0, 3, 1, {}}, {1, 3, 50, {}}});
  EXPECT_EQ(FindRoute(1, 3), 2);
  EXPECT_EQ(MarkedSegments(), std::set<int32_t>{4});
  EXPECT_EQ(FindRoute(1, 9), RouteNotFound());
}

// Among routes of equal length the search keeps the one its passes find
// first, which depends on every detail of the passes: the frontier's order,
// each distance read as it stands when its entry is taken, the next
// frontier in order of first improvement. Compared with a step-by-step
// transcription of the search on maps full of ties.
TEST_F(RouteSearch, ChoosesAmongEqualRoutesExactlyAsThePassesDo) {
  std::mt19937 random(2026);
  for (int round = 0; round < 400; ++round) {
    const RandomMap map = TieRichMap(random);
    SetMap(map.points, map.roads);
    const int32_t n = static_cast<int32_t>(map.points.size());
    for (int query = 0; query < 6; ++query) {
      const int32_t start = std::uniform_int_distribution<int32_t>(1, n)(random);
      const int32_t target = std::uniform_int_distribution<int32_t>(1, n)(random);
      SCOPED_TRACE("round " + std::to_string(round) + ": " + std::to_string(start) + " to " +
                   std::to_string(target));
      const RouteOutcome expected = ReferenceRoute(start, target);
      ASSERT_EQ(ProgramOutcome(FindRoute(start, target)), expected);
    }
  }
}

namespace {

// A random sequence of calls as the pointer gives them: a start kept for a
// while, and targets near the last one, far, the start itself, repeated.
std::vector<std::pair<int32_t, int32_t>> PointerCalls(int32_t n, std::mt19937& random) {
  const auto pick = [&random](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  std::vector<std::pair<int32_t, int32_t>> calls;
  int32_t start = pick(1, n), target = start;
  for (int call = pick(1, 40); call > 0; --call) {
    if (pick(0, 9) == 0) start = pick(1, n);  // a click: a new start
    switch (pick(0, 4)) {
      case 0:
        target = start;
        break;
      case 1:
        target = pick(1, n);
        break;
      default:
        target = std::clamp(target + pick(-2, 2), 1, n);
        break;  // a neighbour of the last
    }
    calls.push_back({start, target});
  }
  return calls;
}

// Codes that are not 1..n in file order, for some maps: a repeated code, or
// one beyond the points (their roads then name codes outside the graph).
void DisturbCodes(RandomMap& map, std::mt19937& random) {
  const int32_t n = static_cast<int32_t>(map.points.size());
  if (n < 3 || std::uniform_int_distribution<int>(0, 2)(random) != 0) return;
  const int32_t i = std::uniform_int_distribution<int32_t>(1, n - 1)(random);
  map.points[i].code = std::uniform_int_distribution<int>(0, 1)(random) ? map.points[i - 1].code : n + 7;
}

}  // namespace

// The kept search answers every call of every sequence exactly as the
// search from scratch does: result, route, the segments of its points and
// both flag arrays. On tie-rich maps the transcription of the passes is the
// reference too; with codes out of order, the direct search is.
TEST_F(RouteSearch, KeptSearchAnswersExactlyAsTheDirectSearch) {
  std::mt19937 random(1207);
  for (int round = 0; round < 300; ++round) {
    RandomMap map = TieRichMap(random);
    DisturbCodes(map, random);
    SetMap(map.points, map.roads);
    const bool codesInOrder = std::all_of(map.points.begin(), map.points.end(), [&](const PointSpec& p) {
      return p.code == &p - map.points.data() + 1;
    });
    const auto calls = PointerCalls(static_cast<int32_t>(map.points.size()), random);
    std::vector<RouteOutcome> kept;
    for (const auto& [start, target] : calls) kept.push_back(ProgramOutcome(FindRoute(start, target)));
    for (size_t c = 0; c < calls.size(); ++c) {
      SCOPED_TRACE("round " + std::to_string(round) + ", call " + std::to_string(c) + ": " +
                   std::to_string(calls[c].first) + " to " + std::to_string(calls[c].second));
      ASSERT_EQ(kept[c], ProgramOutcome(FindRouteDirect(calls[c].first, calls[c].second)));
      if (codesInOrder) {
        ASSERT_EQ(kept[c], ReferenceRoute(calls[c].first, calls[c].second));
      }
    }
  }
}

// A kept search never outlives what it was run on: a new map, a new start,
// Close and a failed load each start the passes anew. Each case changes the
// graph (or the start) behind a kept search that would otherwise answer.
TEST_F(RouteSearch, KeptSearchIsDiscardedWhenItsGroundChanges) {
  // A row 1-2-3-4 with a long short cut 1-4; the passes from 1 settle 4
  // through the short cut first.
  const std::vector<SegmentSpec> row = {{1, 2, 1, {}}, {2, 3, 1, {}}, {3, 4, 1, {}}, {1, 4, 9, {}}};
  const auto reroute = [] {
    // Another graph in the same arrays: the first road leaving 1, towards
    // 2, becomes long, so that the short cut is the best way to 4.
    adjLength[nodeStart[0]] = 100;
  };
  const struct {
    const char* name;
    std::function<void()> change;
    int32_t start;
  } cases[] = {
      {"a new map",
       [] {
         SetMap(Points(4), {{1, 2, 5, {}}, {2, 4, 5, {}}, {1, 4, 3, {}}});
       },
       1},
      {"a new start", [] {}, 2},
      {"Close",
       [&] {
         ClearMapAndRoute();
         reroute();
       },
       1},
      {"a failed load",
       [&] {
         TempDir dir;
         EXPECT_THROW(LoadMapLayers(WriteLayers(dir, {"Point 1 x\n", "", "", ""})), EConvertError);
         reroute();
       },
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetMap(Points(4), row);
    ASSERT_EQ(FindRoute(1, 4), 4);  // through 2 and 3
    c.change();
    const RouteOutcome answer = ProgramOutcome(FindRoute(c.start, 4));
    EXPECT_EQ(answer, ProgramOutcome(FindRouteDirect(c.start, 4)));
  }
}

namespace {

// Segments joining points of 1..n at random, none a loop, lengths 0 to 3 so
// that equal routes abound.
std::vector<SegmentSpec> RandomRoads(int32_t first, int32_t n, int32_t count, std::mt19937& random) {
  std::uniform_int_distribution<int32_t> code(first, first + n - 1), length(0, 3);
  std::vector<SegmentSpec> roads;
  while (static_cast<int32_t>(roads.size()) < count) {
    const int32_t a = code(random), b = code(random);
    if (a != b) roads.push_back({a, b, length(random), {}});
  }
  return roads;
}

// Maps just beyond the capacity of the passes: 100,600 points, a chain
// longer than 100,000 points with a tangle of equal routes hanging off it and
// isolated points; and 40,000 points with 100,002 entries.
struct LargeMap {
  const char* name;
  int32_t points;
  std::vector<SegmentSpec> roads;
  int32_t chain = 0;  // the route from 1 to this code runs through every code before it
};
std::vector<LargeMap> MapsBeyondThePassCapacity() {
  std::mt19937 random(15);
  constexpr int32_t kChain = 100200;
  LargeMap chained{"a chain of 100,200 points", kChain + 400, {}, kChain};
  for (int32_t code = 1; code < kChain; ++code) chained.roads.push_back({code, code + 1, code % 3, {}});
  const std::vector<SegmentSpec> tangle = RandomRoads(kChain + 1, 300, 900, random);
  chained.roads.insert(chained.roads.end(), tangle.begin(), tangle.end());
  chained.roads.push_back({kChain / 2, kChain + 1, 5, {}});  // the tangle hangs off the chain's middle
  return {chained, {"100,002 entries", 40000, RandomRoads(1, 40000, 50001, random)}};
}

}  // namespace

// Beyond the capacity of the passes Dijkstra finds the routes: each as long
// as a textbook Dijkstra's, a route of more than 100,000 points told from an
// unreachable target, and every call of a random sequence answered by the
// kept search exactly as by the search from scratch.
TEST_F(RouteSearch, BeyondThePassCapacityRoutesAreDijkstras) {
  std::mt19937 random(1215);
  for (const LargeMap& map : MapsBeyondThePassCapacity()) {
    SCOPED_TRACE(map.name);
    SetMap(Points(map.points), map.roads);
    std::vector<std::pair<int32_t, int32_t>> calls = PointerCalls(map.points, random);
    calls.push_back({1, map.points});  // unreachable in the first map
    if (map.chain) calls.push_back({1, map.chain});
    std::vector<RouteOutcome> kept;
    std::vector<int64_t> lengths;
    for (const auto& [start, target] : calls) {
      kept.push_back(ProgramOutcome(FindRoute(start, target)));
      lengths.push_back(RouteLength());
    }
    for (size_t c = 0; c < calls.size(); ++c) {
      const auto [start, target] = calls[c];
      SCOPED_TRACE("call " + std::to_string(c) + ": " + std::to_string(start) + " to " +
                   std::to_string(target));
      ASSERT_EQ(kept[c], ProgramOutcome(FindRouteDirect(start, target)));
      const int64_t shortest = ReferenceDistances(map.points, map.roads, start)[target];
      if (shortest == INT64_MAX) {
        EXPECT_EQ(kept[c].result, RouteNotFound());
      } else {
        EXPECT_EQ(lengths[c], shortest);
      }
    }
    if (map.chain) {
      EXPECT_EQ(kept.back().result, map.chain);
    }
  }
}

// The flags are cleared only as far as a flag was set since the last
// clear. On a map beyond the flags' first size and a small one in turn,
// after routes of each search, of a via route and the clears, the flags
// hold exactly the last route: none of a larger map's route survives a
// clear or a search on a smaller one, and a via route's legs go with the
// next new start.
TEST_F(RouteSearch, FlagsHoldTheLastRouteAloneOnMapsLargeAndSmall) {
  constexpr int32_t kLarge = GRAPH_CAPACITY + 500;
  std::vector<SegmentSpec> largeRow;
  for (int32_t code = 1; code < kLarge; ++code) largeRow.push_back({code, code + 1, 1, {}});
  const std::vector<SegmentSpec> smallRow = {{1, 2, 1, {}}, {2, 3, 1, {}}, {3, 4, 1, {}}};
  // Every route of a row is its only one: the passes' transcription is the
  // reference for Dijkstra's too.
  const auto expectSearch = [](const char* what, int32_t result, int32_t start, int32_t target) {
    SCOPED_TRACE(what);
    EXPECT_EQ(ProgramOutcome(result), ReferenceRoute(start, target));
  };
  const auto expectVia = [](ViaRoute& via, int32_t target) {
    SCOPED_TRACE("via route");
    ASSERT_NE(via.RouteTo(target), RouteNotFound());
    std::set<int32_t> routePoints, routeSegments(via.Route().segments.begin(), via.Route().segments.end());
    for (const int32_t code : via.Route().codes) routePoints.insert(code - 1);
    EXPECT_EQ(MarkedPoints(), routePoints);
    EXPECT_EQ(MarkedSegments(), routeSegments);
  };
  const auto expectNoMarks = [](const char* what) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(MarkedPoints().empty());
    EXPECT_TRUE(MarkedSegments().empty());
  };
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SetMap(Points(kLarge), largeRow);
    expectSearch("the whole row", FindRoute(1, kLarge), 1, kLarge);
    expectSearch("from scratch", FindRouteDirect(kLarge, kLarge - 1), kLarge, kLarge - 1);
    ViaRoute largeVia;
    largeVia.SetStops({1, kLarge});
    expectVia(largeVia, kLarge / 2);
    expectSearch("a new start after a via route", FindRoute(2, 3), 2, 3);
    expectSearch("the whole row again", FindRoute(kLarge, 1), kLarge, 1);
    TakeRoadGraph();  // no graph, the marks left as they were
    ClearRouteMarks();
    expectNoMarks("cleared without a graph");
    SetMap(Points(5), smallRow);
    expectNoMarks("a small map after a large one");
    expectSearch("on the small map", FindRoute(1, 4), 1, 4);
    ViaRoute smallVia;
    smallVia.SetStops({4, 1});
    expectVia(smallVia, 3);
    expectSearch("from scratch after a via route", FindRouteDirect(2, 1), 2, 1);
    expectVia(smallVia, 2);
    ClearRouteMarks();
    expectNoMarks("cleared");
  }
}
