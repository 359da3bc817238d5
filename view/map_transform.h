#pragma once

#include <cstdint>

#include "map/map_store.h"
#include "map/road_graph.h"

// The view's scales, in pixels per map unit along X and along negated Y, at
// the whole-map view. Set by DrawMap from the map bounds and the image size;
// 0.0 until a draw gets past its early exits, and kept through early exits
// and closed maps.
extern double scaleX;
extern double scaleY;

// The zoom: at level k, one map unit spans 2^k times the pixels of the
// whole-map view (level 0) in each direction. Above level 0 the view shows
// the map point (zoomCenterX, zoomCenterNegY), in map units along X and
// negated Y, at the image's centre; level 0 is the whole-map view, whatever
// the centre says.
constexpr int32_t MAX_ZOOM_LEVEL = 16;
extern int32_t zoomLevel;
extern double zoomCenterX;
extern double zoomCenterNegY;

// Sets both scales for an image of width x height pixels over the current
// map bounds: the whole-number quotient image size div extent, or, where
// that is 0 because the extent exceeds the image, the fraction
// (size - 1) / extent, which fits the whole map with its far edge on the
// last column or row (the fraction's double is rounded up where needed, so
// that the far edge never lands one short). Needs an extent of at least 1
// on both axes. Also places the zoomed view (below) in that image.
void SetViewScales(int32_t width, int32_t height);

// floor(offset * scale), clamped to the 32-bit range. Inline, as are the
// two transforms below: DrawMap transforms every vertex and point. Within
// the map's bounds the product is never negative, and its floor is then its
// truncation, the cheapest conversion on the baseline instruction set;
// anything else takes the general path.
int32_t ClampedFloorPixel(double pixel);
inline int32_t ViewPixel(int64_t offset, double scale) {
  const double pixel = static_cast<double>(offset) * scale;
  if (pixel >= 0 && pixel < 2147483648.0) return static_cast<int32_t>(pixel);
  return ClampedFloorPixel(pixel);
}

// The whole-map view: the pixel column and row of map position (x, y): the
// map's smallest X is column 0 and its largest Y row 0. Differences are
// taken in 64 bits, so any coordinates are safe; a pixel beyond the 32-bit
// range (a position far outside the bounds) comes out as the nearest 32-bit
// value, which lies outside every image.
inline int32_t MapToPixelX(int32_t x) { return ViewPixel(int64_t{x} - minX, scaleX); }
inline int32_t MapToPixelY(int32_t y) { return ViewPixel(int64_t{NegateY(y)} - minNegY, scaleY); }

// The view at the zoom level, as the last SetViewScales placed it: the
// pixel column and row of map position (x, y), rounded down, in 64 bits and
// within +-2^52 (far beyond any image). At level 0 the same pixels as
// MapToPixelX and MapToPixelY.
int64_t ZoomedPixelX(int32_t x);
int64_t ZoomedPixelY(int32_t y);

// The inverse, in floating point: the map position of a pixel at the zoom
// level (its top left corner). Where a scale is 0 (an image one pixel wide
// or high, or no draw yet) nothing is divided: the position is the map's
// bound on that axis (smallest X, largest Y).
double PixelToMapX(int32_t column);
double PixelToMapY(int32_t row);
