#include "view/map_transform.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "map/map_store.h"
#include "map/road_graph.h"

double scaleX = 0.0;
double scaleY = 0.0;

namespace {

double ScaleFor(int32_t size, int64_t extent) {
  const int64_t whole = size / extent;
  return whole > 0 ? static_cast<double>(whole) : std::max(size - 1, 0) / static_cast<double>(extent);
}

int32_t ToPixel(int64_t offset, double scale) {
  const double pixel = std::floor(static_cast<double>(offset) * scale);
  return static_cast<int32_t>(
      std::clamp<double>(pixel, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
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
