#include "view/map_transform.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "map/map_store.h"
#include "map/road_graph.h"

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

// floor((coordinate - origin) * scale) within +-2^52: the truncation, one
// less for a negative fraction, as floor itself takes a dozen instructions
// on the baseline instruction set and this runs for every vertex drawn.
int64_t ToZoomedPixel(double coordinate, double origin, double scale) {
  constexpr double kLimit = 4503599627370496.0;  // 2^52
  const double pixel = std::clamp((coordinate - origin) * scale, -kLimit, kLimit);
  const auto truncated = static_cast<int64_t>(pixel);
  return truncated - (pixel < static_cast<double>(truncated) ? 1 : 0);
}

}  // namespace

int32_t ClampedFloorPixel(double pixel) {
  pixel = std::clamp<double>(pixel, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  const int32_t truncated = static_cast<int32_t>(pixel);
  return truncated - (pixel < truncated ? 1 : 0);
}

void FitViewScales(MapView& view) {
  view.scaleX = ScaleFor(view.width, int64_t{maxX} - minX);
  view.scaleY = ScaleFor(view.height, int64_t{maxNegY} - minNegY);
  if (view.proportional) view.scaleX = view.scaleY = std::min(view.scaleX, view.scaleY);
  view.placedScaleX = std::ldexp(view.scaleX, view.zoomLevel);
  view.placedScaleY = std::ldexp(view.scaleY, view.zoomLevel);
  if (IsCornerView(view)) {
    view.placedOriginX = minX;
    view.placedOriginNegY = minNegY;
    return;
  }
  // Level 0 with true proportions shows the map's middle in the image's.
  const bool middle = view.zoomLevel == 0;
  const double centreX = middle ? (static_cast<double>(minX) + maxX) / 2 : view.zoomCenterX;
  const double centreNegY = middle ? (static_cast<double>(minNegY) + maxNegY) / 2 : view.zoomCenterNegY;
  view.placedOriginX = view.scaleX > 0 ? centreX - view.width / 2.0 / view.placedScaleX : minX;
  view.placedOriginNegY = view.scaleY > 0 ? centreNegY - view.height / 2.0 / view.placedScaleY : minNegY;
}

int64_t ZoomedPixelX(const MapView& view, int32_t x) {
  return IsCornerView(view) ? MapToPixelX(view, x) : ToZoomedPixel(x, view.placedOriginX, view.placedScaleX);
}

int64_t ZoomedPixelY(const MapView& view, int32_t y) {
  return IsCornerView(view) ? MapToPixelY(view, y)
                            : ToZoomedPixel(NegateY(y), view.placedOriginNegY, view.placedScaleY);
}

double PixelToMapX(const MapView& view, int32_t column) {
  if (view.scaleX == 0.0) return minX;
  return IsCornerView(view) ? minX + column / view.scaleX : view.placedOriginX + column / view.placedScaleX;
}

double PixelToMapY(const MapView& view, int32_t row) {
  const double largestY = -static_cast<double>(minNegY);
  if (view.scaleY == 0.0) return largestY;
  return IsCornerView(view) ? largestY - row / view.scaleY
                            : -(view.placedOriginNegY + row / view.placedScaleY);
}
