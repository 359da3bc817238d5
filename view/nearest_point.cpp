#include "view/nearest_point.h"

#include <cmath>
#include <vector>

#include "map/area_index.h"
#include "map/map_store.h"

double PointDistance(double x1, double y1, double x2, double y2) {
  return std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2));
}

namespace {

// Points handed out by the area index, reused from call to call.
std::vector<int32_t> ringPoints;

}  // namespace

int32_t NearestPointByScan(double mapX, double mapY) {
  double best = 2147483647.0;
  int32_t nearest = 0;
  for (int32_t i = 0; i < pointCount; ++i) {
    const double d = PointDistance(points[i].X, points[i].Y, mapX, mapY);
    if (d < best) {
      best = d;
      nearest = i;
    }
  }
  return nearest;
}

int32_t NearestPoint(double mapX, double mapY) {
  if (!PointsWithinGrid()) return NearestPointByScan(mapX, mapY);
  double best = 2147483647.0;
  int32_t nearest = 0;
  for (int32_t ring = 0; PointsInRing(mapX, -mapY, ring, ringPoints); ++ring) {
    if (PointRingGap(mapX, -mapY, ring) > best * (1 + 1e-9) + 1e-9) break;
    for (const int32_t i : ringPoints) {
      const double d = PointDistance(points[i].X, points[i].Y, mapX, mapY);
      if (d < best || (d == best && i < nearest)) {
        best = d;
        nearest = i;
      }
    }
  }
  return nearest;
}
