#include "map/road_graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "map/map_store.h"
#include "route/route_search.h"
#include "tests/store_setup.h"
#include "toolkit/exceptions.h"

namespace {

// The graph as plain vectors, for comparison.
struct Graph {
  int32_t minX, minNegY, maxX, maxNegY;
  std::vector<int32_t> start, node, length, segment;
  bool operator==(const Graph& o) const {
    return minX == o.minX && minNegY == o.minNegY && maxX == o.maxX && maxNegY == o.maxNegY &&
           start == o.start && node == o.node && length == o.length && segment == o.segment;
  }
};

// How a failing comparison shows a graph.
void PrintTo(const Graph& g, std::ostream* out) {
  *out << "bounds " << g.minX << " " << g.minNegY << " " << g.maxX << " " << g.maxNegY << ", starts "
       << ::testing::PrintToString(g.start) << ", nodes " << ::testing::PrintToString(g.node) << ", lengths "
       << ::testing::PrintToString(g.length) << ", segments " << ::testing::PrintToString(g.segment);
}

Graph BuiltGraph() {
  return {minX,
          minNegY,
          maxX,
          maxNegY,
          std::vector<int32_t>(nodeStart.begin(), nodeStart.begin() + nodeCount + 1),
          std::vector<int32_t>(adjNode.begin(), adjNode.begin() + adjCount),
          std::vector<int32_t>(adjLength.begin(), adjLength.begin() + adjCount),
          std::vector<int32_t>(adjSegment.begin(), adjSegment.begin() + adjCount)};
}

// The graph by its definition: every point compared with every segment.
Graph ReferenceGraph() {
  Graph g{0, 0, 0, 0, {}, {}, {}, {}};
  if (pointCount > 0) {
    g = {INT32_MAX, INT32_MAX, -INT32_MAX, -INT32_MAX, {}, {}, {}, {}};
    const auto widen = [&g](int64_t x, int64_t y) {
      const int32_t negY = static_cast<int32_t>(std::min<int64_t>(-y, INT32_MAX));
      if (x < g.minX) g.minX = static_cast<int32_t>(x);
      if (negY < g.minNegY) g.minNegY = negY;
      if (x > g.maxX) g.maxX = static_cast<int32_t>(x);
      if (negY > g.maxNegY) g.maxNegY = negY;
    };
    for (int32_t i = 0; i < pointCount; ++i) widen(points[i].X, points[i].Y);
    for (int32_t j = 0; j < segmentCount; ++j)
      for (int32_t k = 0; k < segments[j].Vertices.Length(); ++k)
        widen(segments[j].Vertices[k].x, segments[j].Vertices[k].y);
  }
  for (int32_t i = 0; i < pointCount; ++i) {
    g.start.push_back(static_cast<int32_t>(g.node.size()));
    const int32_t c = points[i].Code;
    for (int32_t j = 0; j < segmentCount; ++j) {
      const int m = (segments[j].From == c ? 1 : 0) + (segments[j].To == c ? 2 : 0);
      if (m == 0) continue;
      g.node.push_back(m == 1 ? segments[j].To : segments[j].From);
      g.length.push_back(segments[j].Length);
      g.segment.push_back(j);
    }
  }
  g.start.push_back(static_cast<int32_t>(g.node.size()));
  return g;
}

const std::vector<PointSpec> kTown = {{100, 200, 1}, {300, 200, 2}, {300, 400, 3}};

}  // namespace

TEST(BuildRoadGraph, EdgeCases) {
  const struct {
    const char* name;
    std::vector<PointSpec> points;
    std::vector<SegmentSpec> segments;
    Graph expected;
  } cases[] = {
      {"no points, segments ignored", {}, {{1, 2, 5, {{9, 9}}}}, {0, 0, 0, 0, {0}, {}, {}, {}}},
      {"points only", kTown, {}, {100, -400, 300, -200, {0, 0, 0, 0}, {}, {}, {}}},
      {"single point", {{-5, 7, 1}}, {}, {-5, -7, -5, -7, {0, 0}, {}, {}, {}}},
      {"a vertex widens the bounds",
       kTown,
       {{1, 2, 200, {{100, 200}, {300, 200}}}, {2, 3, 210, {{300, 200}, {320, 300}, {300, 400}}}},
       {100, -400, 320, -200, {0, 1, 3, 4}, {2, 1, 3, 2}, {200, 200, 210, 210}, {0, 0, 1, 1}}},
      {"loop gives one entry naming itself",
       kTown,
       {{2, 2, 9, {}}},
       {100, -400, 300, -200, {0, 0, 1, 1}, {2}, {9}, {0}}},
      {"unmatched end gives one entry",
       kTown,
       {{3, 99, 4, {}}},
       {100, -400, 300, -200, {0, 0, 0, 1}, {99}, {4}, {0}}},
      {"table order whatever the direction",
       kTown,
       {{2, 1, 5, {}}, {1, 3, 6, {}}, {3, 1, 7, {}}},
       {100, -400, 300, -200, {0, 3, 4, 6}, {2, 3, 3, 1, 1, 1}, {5, 6, 7, 5, 6, 7}, {0, 1, 2, 0, 1, 2}}},
      {"a shared code gives both points the list",
       {{0, 0, 4}, {1, 1, 4}},
       {{4, 8, 3, {}}},
       {0, -1, 1, 0, {0, 1, 2}, {8, 8}, {3, 3}, {0, 0}}},
      {"the smallest Y saturates when negated",
       {{0, INT32_MIN, 1}, {1, 0, 2}},
       {},
       {0, 0, 1, INT32_MAX, {0, 0, 0}, {}, {}, {}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetStore(c.points, c.segments);
    BuildRoadGraph();
    EXPECT_EQ(BuiltGraph(), c.expected);
    EXPECT_EQ(nodeCount, static_cast<int32_t>(c.points.size()));
  }
}

TEST(BuildRoadGraph, MatchesTheQuadraticDefinitionOnRandomMaps) {
  std::mt19937 random(20261207);
  const auto pick = [&random](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  const auto coordinate = [&]() {
    const int kind = pick(0, 19);
    return kind == 0 ? INT32_MIN : kind == 1 ? INT32_MAX : pick(-1000, 1000);
  };
  for (int round = 0; round < 600; ++round) {
    // Codes close together (duplicates, 0 and negatives among them); a few
    // of them far apart; or each point's own, in table order from a random
    // first code or shuffled: the builder indexes each kind differently.
    const int kind = round % 4;
    const auto code = [&]() {
      if (kind == 0 || pick(0, 2) > 0) return pick(-2, 30);
      const int32_t far[] = {INT32_MIN, INT32_MAX, 1000000000, -777777};
      return far[pick(0, 3)];
    };
    std::vector<PointSpec> ps(pick(0, 40));
    const int32_t first = pick(-3, 5);
    for (size_t i = 0; i < ps.size(); ++i)
      ps[i] = {coordinate(), coordinate(), kind < 2 ? code() : first + static_cast<int32_t>(i)};
    if (kind == 3) std::shuffle(ps.begin(), ps.end(), random);
    std::vector<SegmentSpec> ss(pick(0, 60));
    for (SegmentSpec& s : ss) {
      s.from = pick(0, 4) == 0 ? code() : pick(-2, 35);
      s.to = pick(0, 3) == 0 ? s.from : pick(0, 4) == 0 ? code() : pick(-2, 35);  // loops and unmatched ends
      s.length = pick(0, 3) == 0 ? 0 : pick(-5, 500);
      s.vertices.resize(pick(0, 3));
      for (TPoint& v : s.vertices) v = {coordinate(), coordinate()};
    }
    SetStore(ps, ss);
    BuildRoadGraph();
    ASSERT_EQ(BuiltGraph(), ReferenceGraph()) << "round " << round;
  }
}

// Many segments, few points: each core takes several runs of the vertex
// bounds, and each half of the table puts tens of thousands of entries in
// every list, the first half's before the second's.
TEST(BuildRoadGraph, MatchesTheDefinitionOverManySegments) {
  std::mt19937 random(20261209);
  const auto pick = [&random](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  std::vector<SegmentSpec> ss(3 * 65536 + 5);
  for (SegmentSpec& s : ss) {
    s = {pick(0, 5), pick(0, 5), pick(0, 99), {}};
    s.vertices.resize(pick(0, 2));
    for (TPoint& v : s.vertices) v = {pick(-1000000, 1000000), pick(-1000000, 1000000)};
  }
  // The widest vertices at the ends of runs.
  ss[65535].vertices = {{-2000000, 5}};
  ss[131072].vertices = {{5, 2000000}};
  ss.back().vertices = {{2000000, -2000000}};
  for (const int32_t firstCode : {1, 3}) {  // codes 1..4 in order, or each its own out of order
    SCOPED_TRACE(firstCode);
    SetStore({{0, 0, firstCode}, {1, 1, 2}, {2, 2, firstCode == 1 ? 3 : 1}, {3, 3, 4}}, ss);
    BuildRoadGraph();
    ASSERT_EQ(BuiltGraph(), ReferenceGraph());
  }
}

// The arrays grow to fit a map beyond their first capacity and never
// shrink: a smaller map built next leaves the larger one's entries past its
// counts as they were.
TEST(BuildRoadGraph, GrowsBeyondTheFirstCapacityAndKeepsEntriesPastTheCounts) {
  std::vector<PointSpec> many(GRAPH_CAPACITY);
  for (int32_t i = 0; i < GRAPH_CAPACITY; ++i) many[i] = {i, i, i + 1};
  many[1].code = 1;  // two points share code 1, so each segment is entered three times
  SetStore(many, std::vector<SegmentSpec>(50001, {1, 3, 7, {}}));
  BuildRoadGraph();
  EXPECT_EQ(nodeCount, GRAPH_CAPACITY);
  EXPECT_EQ(adjCount, 150003);
  EXPECT_EQ(nodeStart[GRAPH_CAPACITY], 150003);
  EXPECT_EQ(adjSegment[150002], 50000);
  EXPECT_EQ(adjNode[150002], 1);

  SetStore(kTown, {{1, 2, 200, {}}});
  BuildRoadGraph();
  EXPECT_EQ(BuiltGraph().node, (std::vector<int32_t>{2, 1}));
  EXPECT_EQ(nodeStart[GRAPH_CAPACITY], 150003);
  EXPECT_EQ(adjSegment[150002], 50000);
  ClearMapStore();
}

TEST(BuildRoadGraph, AcceptsAMapExactlyAtCapacity) {
  std::vector<PointSpec> ps(GRAPH_CAPACITY - 1);
  for (int32_t i = 0; i < GRAPH_CAPACITY - 1; ++i) ps[i] = {i, -i, i + 1};
  std::vector<SegmentSpec> ss(GRAPH_CAPACITY / 2);
  for (int32_t j = 0; j < GRAPH_CAPACITY / 2; ++j) ss[j] = {j + 1, j + 2, 1, {}};
  SetStore(ps, ss);
  BuildRoadGraph();
  EXPECT_EQ(nodeCount, GRAPH_CAPACITY - 1);
  EXPECT_EQ(adjCount, GRAPH_CAPACITY);
  EXPECT_EQ(nodeStart[GRAPH_CAPACITY - 1], GRAPH_CAPACITY);
  ClearMapStore();
}

TEST(ClearMapStore, EmptiesTheTablesAndRouteMarksAndKeepsTheGraph) {
  SetStore(kTown, {{1, 2, 200, {}}});
  BuildRoadGraph();
  startPoint = currentPoint = 2;
  // The last route's marks, which would otherwise be painted on the next map.
  ASSERT_EQ(FindRoute(1, 2), 2);
  ClearMapAndRoute();
  EXPECT_EQ(std::count(pointOnRoute.begin(), pointOnRoute.end(), 1), 0);
  EXPECT_EQ(std::count(segmentOnRoute.begin(), segmentOnRoute.end(), 1), 0);
  ClearMapAndRoute();  // also on an empty store
  EXPECT_EQ(pointCount, 0);
  EXPECT_EQ(points.Length(), 0);
  EXPECT_EQ(segmentCount, 0);
  EXPECT_EQ(segments.Length(), 0);
  EXPECT_EQ(startPoint, -1);
  EXPECT_EQ(currentPoint, -1);
  EXPECT_EQ(maxX, 300);
  EXPECT_EQ(adjCount, 2);
}
