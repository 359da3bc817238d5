// The area index finds everything in an area: each segment with a pair of
// vertices whose box meets it, and each point in it, also beyond the bounds.
#include "map/area_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/store_setup.h"

namespace {

bool Meets(double lo0, double hi0, double lo1, double hi1) {
  return std::max(lo0, lo1) <= std::min(hi0, hi1);
}

// A random map of mostly short roads; with some long ones when `longRoads`,
// which cross the whole map. One in four has at most three roads, so that a
// half of the segment table is often empty or a single road.
void SetRandomMap(std::mt19937& random, bool longRoads) {
  const auto pick = [&random](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  std::vector<PointSpec> ps(pick(0, 300));
  for (PointSpec& p : ps) p = {pick(-1000, 1000), pick(-1000, 1000), 0};
  std::vector<SegmentSpec> ss(pick(0, 3) == 0 ? pick(0, 3) : pick(0, 300));
  for (SegmentSpec& s : ss) {
    const bool longRoad = pick(0, longRoads ? 1 : 40) == 0;
    TPoint at{pick(-1000, 1000), pick(-1000, 1000)};
    s.vertices.resize(pick(0, 4));
    for (TPoint& v : s.vertices) {
      v = at;
      at = longRoad ? TPoint{pick(-1000, 1000), pick(-1000, 1000)}
                    : TPoint{at.x + pick(-30, 30), at.y + pick(-30, 30)};
    }
  }
  SetMap(ps, ss);
}

// Random area queries answer, sorted and each once, every segment and point
// that a scan of the tables finds in the area.
void ExpectQueriesCoverScan(std::mt19937& random, int round) {
  const auto pick = [&random](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  std::vector<int32_t> found;
  for (int query = 0; query < 20; ++query) {
    const double x0 = pick(-1200, 1200), negY0 = pick(-1200, 1200);
    const double x1 = x0 + pick(0, 400), negY1 = negY0 + pick(0, 400);
    SegmentsInArea(x0, negY0, x1, negY1, found);
    ASSERT_TRUE(std::is_sorted(found.begin(), found.end()));
    ASSERT_EQ(std::adjacent_find(found.begin(), found.end()), found.end());
    for (int32_t j = 0; j < segmentCount; ++j) {
      const DynamicArray<TPoint>& v = segments[j].Vertices;
      for (int32_t k = 1; k < v.Length(); ++k) {
        const bool meets =
            Meets(std::min(v[k - 1].x, v[k].x), std::max(v[k - 1].x, v[k].x), x0, x1) &&
            Meets(std::min(-v[k - 1].y, -v[k].y), std::max(-v[k - 1].y, -v[k].y), negY0, negY1);
        if (meets) {
          ASSERT_TRUE(std::binary_search(found.begin(), found.end(), j))
              << "round " << round << " segment " << j;
          break;
        }
      }
    }
    PointsInArea(x0, negY0, x1, negY1, found);
    for (int32_t i = 0; i < pointCount; ++i) {
      const bool inside =
          Meets(points[i].X, points[i].X, x0, x1) && Meets(-points[i].Y, -points[i].Y, negY0, negY1);
      if (inside) {
        ASSERT_TRUE(std::binary_search(found.begin(), found.end(), i)) << "round " << round << " point " << i;
      }
    }
  }
}

// The entries of the built index's cell lists.
int64_t IndexEntries() { return mapAreaIndex.segmentStart.back() + mapAreaIndex.pointStart.back(); }

int64_t VertexPairs() {
  int64_t pairs = 0;
  for (int32_t j = 0; j < segmentCount; ++j) pairs += std::max(segments[j].Vertices.Length() - 1, 0);
  return pairs;
}

}  // namespace

TEST(MapAreaIndex, FindsEverythingInAnArea) {
  std::mt19937 random(13);
  for (int round = 0; round < 60; ++round) {
    SetRandomMap(random, round % 3 == 0);
    if (round % 4 == 1) {  // bounds that no longer cover the tables, as after a failed load
      minX += 300;
      maxNegY -= 300;
      DropMapAreaIndex();
    }
    ExpectQueriesCoverScan(random, round);
  }
  ClearMapStore();
  EXPECT_FALSE(mapAreaIndex.built);  // dropped with the tables
}

// Each cell lists, ascending and each once, exactly the segments that are
// not wide and have a pair of vertices whose box meets the cell, as a scan
// of every pair with the grid's own cell arithmetic finds them.
TEST(MapAreaIndex, ListsExactlyTheSegmentsWhosePairsMeetEachCell) {
  std::mt19937 random(41);
  for (int round = 0; round < 30; ++round) {
    SetRandomMap(random, round % 3 == 0);
    BuildMapAreaIndex();
    const MapAreaIndex& index = mapAreaIndex;
    const auto cell = [](double offset, double side, int32_t count) {
      return std::clamp(static_cast<int32_t>(std::floor(offset / side)), 0, count - 1);
    };
    std::vector<std::vector<int32_t>> expected(static_cast<size_t>(index.columns) * index.rows);
    for (int32_t j = 0; j < segmentCount; ++j) {
      if (std::binary_search(index.wideSegments.begin(), index.wideSegments.end(), j)) continue;
      const DynamicArray<TPoint>& v = segments[j].Vertices;
      for (int32_t k = 1; k < v.Length(); ++k) {
        const auto column = [&](int32_t x) {
          return cell(x - index.originX, index.cellWidth, index.columns);
        };
        const auto row = [&](int32_t y) { return cell(-y - index.originNegY, index.cellHeight, index.rows); };
        for (int32_t r = std::min(row(v[k - 1].y), row(v[k].y)); r <= std::max(row(v[k - 1].y), row(v[k].y));
             ++r)
          for (int32_t c = std::min(column(v[k - 1].x), column(v[k].x));
               c <= std::max(column(v[k - 1].x), column(v[k].x)); ++c) {
            std::vector<int32_t>& list = expected[static_cast<size_t>(r) * index.columns + c];
            if (list.empty() || list.back() != j) list.push_back(j);
          }
      }
    }
    for (size_t c = 0; c < expected.size(); ++c) {
      const std::vector<int32_t> listed(index.segmentIds.begin() + index.segmentStart[c],
                                        index.segmentIds.begin() + index.segmentStart[c + 1]);
      ASSERT_EQ(listed, expected[c]) << "round " << round << " cell " << c;
    }
  }
  ClearMapStore();
}

// Limits lowered so that small maps reach them (a country-size map reaches
// the real ones): the lists stay complete, every query still finds what a
// scan finds, and the entries stay within the budget.
TEST(MapAreaIndex, StaysCompleteAndBoundedAtItsLimits) {
  std::mt19937 random(29);
  for (int round = 0; round < 60; ++round) {
    SetRandomMap(random, round % 2 == 0);
    const AreaIndexLimits limits{1 + round % 3, 1 + round % 7 * 8};
    BuildMapAreaIndex(nullptr, limits);
    ASSERT_LE(mapAreaIndex.columns, limits.mostCellsPerSide);
    ASSERT_LE(mapAreaIndex.rows, limits.mostCellsPerSide);
    ASSERT_LE(IndexEntries(), limits.entriesPerItem * (VertexPairs() + pointCount));
    ExpectQueriesCoverScan(random, round);
  }
  ClearMapStore();
}

// Long diagonal roads across a fine grid would each fill a whole diagonal
// band of cells: the index stays within 4 entries per pair and point, the
// roads it cannot list are found by every query, and the short roads among
// them stay in their cells whatever their place in the table.
TEST(MapAreaIndex, HostileLongDiagonalsStayWithinTheBound) {
  std::vector<PointSpec> ps;
  std::vector<SegmentSpec> ss;
  for (int32_t i = 0; i < 400; ++i) {
    ps.push_back({i * 25, i * 25, i + 1});
    ss.push_back({1, 2, 1, {{0, 0}, {10000, 10000}}});
    ss.push_back({1, 2, 1, {{0, 10000}, {10000, 0}}});
    ss.push_back({1, 2, 1, {{i * 25, i * 25}, {i * 25 + 3, i * 25}}});
  }
  SetMap(ps, ss);
  BuildMapAreaIndex();
  EXPECT_LE(IndexEntries(), 4 * (VertexPairs() + pointCount));
  EXPECT_GT(mapAreaIndex.wideSegments.size(), 700u);
  for (const int32_t j : mapAreaIndex.wideSegments) EXPECT_NE(j % 3, 2) << j;
  std::vector<int32_t> found;
  SegmentsInArea(5000, -5000, 5000, -5000, found);
  EXPECT_TRUE(std::binary_search(found.begin(), found.end(), segmentCount - 3));  // a diagonal
  EXPECT_TRUE(std::binary_search(found.begin(), found.end(), segmentCount - 2));
  SegmentsInArea(9000, -10000, 10000, -9000, found);
  EXPECT_TRUE(std::binary_search(found.begin(), found.end(), segmentCount - 1));  // the last short road
  EXPECT_FALSE(std::binary_search(found.begin(), found.end(), 2));                // but not the first
  ClearMapStore();
}
