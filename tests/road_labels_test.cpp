// Road names placed over random roads and views: inside the image, never
// upside down, along their road, at most once per road, and never on top
// of one another.
#include "view/road_labels.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

using Quad = std::array<TPointF, 4>;

Quad CornersOf(const PlacedLabel& label, double shrink) {
  const double c = std::cos(label.angle), s = std::sin(label.angle);
  const double w = label.width / 2 - shrink, h = label.height / 2 - shrink;
  Quad q;
  const double signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int k = 0; k < 4; ++k) {
    const double along = signs[k][0] * w, across = signs[k][1] * h;
    q[k] = {label.centre.x + along * c - across * s, label.centre.y + along * s + across * c};
  }
  return q;
}

double Cross(TPointF o, TPointF a, TPointF b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

bool SegmentsCross(TPointF a, TPointF b, TPointF c, TPointF d) {
  const double d1 = Cross(c, d, a), d2 = Cross(c, d, b), d3 = Cross(a, b, c), d4 = Cross(a, b, d);
  return ((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0));
}

bool Inside(const Quad& q, TPointF p) {
  bool positive = false, negative = false;
  for (int k = 0; k < 4; ++k) {
    const double side = Cross(q[k], q[(k + 1) % 4], p);
    positive |= side > 0;
    negative |= side < 0;
  }
  return !(positive && negative);
}

// Two convex quadrilaterals share area when an edge of one crosses an edge
// of the other or one holds a corner of the other.
bool QuadsOverlap(const Quad& a, const Quad& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (SegmentsCross(a[i], a[(i + 1) % 4], b[j], b[(j + 1) % 4])) return true;
  return Inside(a, b[0]) || Inside(b, a[0]);
}

// Whether the label reads along a piece of its road: the piece's direction
// and the label's differ by a small angle, or by half a turn and that.
bool AlongTheRoad(const PlacedLabel& label, const LabelRoad& road, const LabelLines& lines) {
  for (uint32_t k = road.firstLine; k < road.endLine; ++k) {
    const size_t end = k + 1 < lines.starts.size() ? lines.starts[k + 1] : lines.vertices.size();
    for (size_t v = lines.starts[k] + 1; v < end; ++v) {
      const TPointF a = lines.vertices[v - 1], b = lines.vertices[v];
      if (std::hypot(b.x - a.x, b.y - a.y) < 1) continue;
      double d = std::fmod(std::fabs(std::atan2(b.y - a.y, b.x - a.x) - label.angle), kPi);
      d = std::min(d, kPi - d);
      if (d < 0.25) return true;
    }
  }
  return false;
}

}  // namespace

TEST(RoadLabels, NamesNeverOverlapNorReadUpsideDown) {
  std::mt19937 random(2611);
  const auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  int placedInAll = 0;
  for (int round = 0; round < 300; ++round) {
    const double width = uniform(60, 700), height = uniform(40, 500);
    LabelLines lines;
    std::vector<LabelRoad> roads;
    for (int r = static_cast<int>(uniform(1, 60)); r > 0; --r) {
      const uint32_t first = static_cast<uint32_t>(lines.starts.size());
      for (int k = static_cast<int>(uniform(1, 4)); k > 0; --k) {
        lines.starts.push_back(static_cast<uint32_t>(lines.vertices.size()));
        TPointF p{uniform(-60, width + 60), uniform(-60, height + 60)};
        double heading = uniform(-kPi, kPi);
        for (int v = static_cast<int>(uniform(2, 14)); v > 0; --v) {
          lines.vertices.push_back(p);
          heading += uniform(-0.5, 0.5) * (uniform(0, 1) < 0.2 ? 4 : 1);
          const double step = uniform(0, 1) < 0.1 ? 0.3 : uniform(3, 120);
          p = {p.x + step * std::cos(heading), p.y + step * std::sin(heading)};
        }
      }
      roads.push_back({uniform(8, 140), uniform(8, 18), first, static_cast<uint32_t>(lines.starts.size())});
    }
    const std::vector<PlacedLabel> placed = PlaceRoadLabels(roads, lines, width, height);
    placedInAll += static_cast<int>(placed.size());
    std::vector<int> perRoad(roads.size());
    for (size_t i = 0; i < placed.size(); ++i) {
      SCOPED_TRACE("round " + std::to_string(round) + ", label " + std::to_string(i));
      const PlacedLabel& label = placed[i];
      ASSERT_LT(label.road, roads.size());
      EXPECT_EQ(++perRoad[label.road], 1);
      EXPECT_EQ(label.width, roads[label.road].width);
      EXPECT_GE(std::cos(label.angle), -1e-12) << "upside down at " << label.angle;
      EXPECT_TRUE(AlongTheRoad(label, roads[label.road], lines));
      for (const TPointF corner : CornersOf(label, 0)) {
        EXPECT_GE(corner.x, -1e-9);
        EXPECT_LE(corner.x, width + 1e-9);
        EXPECT_GE(corner.y, -1e-9);
        EXPECT_LE(corner.y, height + 1e-9);
      }
      for (size_t j = 0; j < i; ++j)
        EXPECT_FALSE(QuadsOverlap(CornersOf(label, 0), CornersOf(placed[j], 0))) << "overlaps label " << j;
    }
  }
  EXPECT_GT(placedInAll, 1000);  // the checks above saw crowded views
}
