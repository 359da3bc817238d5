#include "route/route_path.h"

#include "map/map_store.h"
#include "route/route_search.h"

RoutePath LastRoute() { return {RouteCodes(), RouteSegments()}; }

namespace {

// Appends (x, y) to the line unless it repeats the line's last position.
void Extend(std::vector<double>& xy, double x, double y) {
  const size_t n = xy.size();
  if (n >= 2 && xy[n - 2] == x && xy[n - 1] == y) return;
  xy.push_back(x);
  xy.push_back(y);
}

// Appends the route point with code, and records where it lies on the line
// (at the line's last position when it has none of its own).
void AddPoint(RouteLine& line, int32_t code) {
  if (code >= 1 && code <= pointCount) Extend(line.xy, points[code - 1].X, points[code - 1].Y);
  line.positionOf.push_back(line.xy.empty() ? 0 : line.xy.size() / 2 - 1);
}

}  // namespace

RouteLine LineOf(const RoutePath& route) {
  RouteLine line;
  if (route.codes.empty()) return line;
  AddPoint(line, route.codes[0]);
  for (size_t i = 0; i < route.segments.size() && i + 1 < route.codes.size(); ++i) {
    const int32_t index = route.segments[i];
    if (index >= 0 && index < segmentCount) {
      const TFieldS& segment = segments[index];
      const DynamicArray<TPoint>& v = segment.Vertices;
      const bool forward = segment.To == route.codes[i + 1];
      for (int32_t k = 0; k < v.Length(); ++k) {
        const TPoint& p = v[forward ? k : v.Length() - 1 - k];
        Extend(line.xy, p.x, p.y);
      }
    }
    AddPoint(line, route.codes[i + 1]);
  }
  return line;
}
