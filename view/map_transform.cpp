#include "view/map_transform.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "map/map_store.h"
#include "map/road_graph.h"

double scaleX = 0.0;
double scaleY = 0.0;
int32_t zoomLevel = 0;
double zoomCenterX = 0.0;
double zoomCenterNegY = 0.0;

namespace {

// The view at the zoom level, placed by SetViewScales: pixels per map unit,
// and the map position (X, negated Y) at the top left corner of pixel
// (0, 0).
double viewScaleX = 0.0;
double viewScaleY = 0.0;
double viewOriginX = 0.0;
double viewOriginNegY = 0.0;

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

// floor((coordinate - origin) * scale) within +-2^52.
int64_t ToZoomedPixel(double coordinate, double origin, double scale) {
  constexpr double kLimit = 4503599627370496.0;  // 2^52
  return static_cast<int64_t>(std::clamp(std::floor((coordinate - origin) * scale), -kLimit, kLimit));
}

// A scale at the zoom level: 2^zoomLevel times the whole-map scale.
double Zoomed(double scale) { return std::ldexp(scale, zoomLevel); }

}  // namespace

int32_t ClampedFloorPixel(double pixel) {
  pixel = std::clamp<double>(pixel, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  const int32_t truncated = static_cast<int32_t>(pixel);
  return truncated - (pixel < truncated ? 1 : 0);
}

void SetViewScales(int32_t width, int32_t height) {
  scaleX = ScaleFor(width, int64_t{maxX} - minX);
  scaleY = ScaleFor(height, int64_t{maxNegY} - minNegY);
  viewScaleX = Zoomed(scaleX);
  viewScaleY = Zoomed(scaleY);
  if (zoomLevel == 0) {
    viewOriginX = minX;
    viewOriginNegY = minNegY;
    return;
  }
  viewOriginX = scaleX > 0 ? zoomCenterX - width / 2.0 / viewScaleX : minX;
  viewOriginNegY = scaleY > 0 ? zoomCenterNegY - height / 2.0 / viewScaleY : minNegY;
}

int64_t ZoomedPixelX(int32_t x) {
  return zoomLevel == 0 ? MapToPixelX(x) : ToZoomedPixel(x, viewOriginX, viewScaleX);
}

int64_t ZoomedPixelY(int32_t y) {
  return zoomLevel == 0 ? MapToPixelY(y) : ToZoomedPixel(NegateY(y), viewOriginNegY, viewScaleY);
}

double PixelToMapX(int32_t column) {
  if (scaleX == 0.0) return minX;
  return zoomLevel == 0 ? minX + column / scaleX : viewOriginX + column / viewScaleX;
}

double PixelToMapY(int32_t row) {
  const double largestY = -static_cast<double>(minNegY);
  if (scaleY == 0.0) return largestY;
  return zoomLevel == 0 ? largestY - row / scaleY : -(viewOriginNegY + row / viewScaleY);
}
