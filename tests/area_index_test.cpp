// The area index finds everything in an area: each segment with a pair of
// vertices whose box meets it, and each point in it, also beyond the bounds.
#include "map/area_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/store_setup.h"

namespace {

bool Meets(double lo0, double hi0, double lo1, double hi1) {
  return std::max(lo0, lo1) <= std::min(hi0, hi1);
}

}  // namespace

TEST(MapAreaIndex, FindsEverythingInAnArea) {
  std::mt19937 random(13);
  const auto pick = [&random](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  for (int round = 0; round < 60; ++round) {
    std::vector<PointSpec> ps(pick(0, 300));
    for (PointSpec& p : ps) p = {pick(-1000, 1000), pick(-1000, 1000), 0};
    std::vector<SegmentSpec> ss(pick(0, 300));
    for (SegmentSpec& s : ss) {
      // Mostly short roads; some cross the whole map, which makes the grid
      // coarser in some rounds.
      const bool longRoad = pick(0, round % 3 == 0 ? 1 : 40) == 0;
      TPoint at{pick(-1000, 1000), pick(-1000, 1000)};
      s.vertices.resize(pick(0, 4));
      for (TPoint& v : s.vertices) {
        v = at;
        at = longRoad ? TPoint{pick(-1000, 1000), pick(-1000, 1000)}
                      : TPoint{at.x + pick(-30, 30), at.y + pick(-30, 30)};
      }
    }
    SetMap(ps, ss);
    if (round % 4 == 1) {  // bounds that no longer cover the tables, as after a failed load
      minX += 300;
      maxNegY -= 300;
      DropMapAreaIndex();
    }
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
          ASSERT_TRUE(std::binary_search(found.begin(), found.end(), i))
              << "round " << round << " point " << i;
        }
      }
    }
  }
  ClearMapStore();
  EXPECT_FALSE(mapAreaIndex.built);  // dropped with the tables
}
