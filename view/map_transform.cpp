#include "view/map_transform.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "map/map_store.h"
#include "map/road_graph.h"

double scaleX = 0.0;
double scaleY = 0.0;

namespace {

// (size - 1) / extent, rounded up by the least step where the rounded
// quotient would bring the far edge one pixel short: floor(extent * scale)
// is then exactly size - 1 (one step is always enough, and too little to
// reach size).
double FitScale(int32_t size, int64_t extent) {
  const double lastPixel = std::max(size - 1, 0);
  const double scale = lastPixel / static_cast<double>(extent);
  return std::floor(static_cast<double>(extent) * scale) < lastPixel ? std::nextafter(scale, 1.0) : scale;
}

double ScaleFor(int32_t size, int64_t extent) {
  const int64_t whole = size / extent;
  return whole > 0 ? static_cast<double>(whole) : FitScale(size, extent);
}

// floor(offset * scale), clamped to the 32-bit range. The floor is taken as
// a truncation, one lower for a negative product with a fraction: DrawMap
// transforms every vertex and point, and this is cheaper than std::floor on
// the baseline instruction set.
int32_t ToPixel(int64_t offset, double scale) {
  const double pixel =
      std::clamp<double>(static_cast<double>(offset) * scale, std::numeric_limits<int32_t>::min(),
                         std::numeric_limits<int32_t>::max());
  const int32_t truncated = static_cast<int32_t>(pixel);
  return truncated - (pixel < truncated ? 1 : 0);
}

}  // namespace

void SetViewScales(int32_t width, int32_t height) {
  scaleX = ScaleFor(width, int64_t{maxX} - minX);
  scaleY = ScaleFor(height, int64_t{maxNegY} - minNegY);
}

int32_t MapToPixelX(int32_t x) { return ToPixel(int64_t{x} - minX, scaleX); }

int32_t MapToPixelY(int32_t y) { return ToPixel(int64_t{NegateY(y)} - minNegY, scaleY); }

double PixelToMapX(int32_t column) { return scaleX == 0.0 ? minX : minX + column / scaleX; }

double PixelToMapY(int32_t row) {
  const double largestY = -static_cast<double>(minNegY);
  return scaleY == 0.0 ? largestY : largestY - row / scaleY;
}
