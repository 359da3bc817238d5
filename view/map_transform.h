#pragma once

#include <cstdint>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "view/map_view.h"

// The world-to-screen transform of a MapView and its inverse, over the
// current map bounds.

// The deepest zoom level.
constexpr int32_t MAX_ZOOM_LEVEL = 16;

// Sets view's scales for its image size over the current map bounds: the
// whole-number quotient image size div extent, or, where that is 0 because
// the extent exceeds the image, the fraction (size - 1) / extent, which fits
// the whole map with its far edge on the last column or row (the fraction's
// double is rounded up where needed, so that the far edge never lands one
// short); with true proportions the smaller of the two on both axes. Needs
// an extent of at least 1 on both axes. Also places the view at its zoom
// level in that image: with true proportions, level 0 centres the map.
void FitViewScales(MapView& view);

// Whether the view is the corner view: level 0 without true proportions,
// the map's smallest X on column 0 and its largest Y on row 0, where a
// painting draws only the road pairs with both ends inside the image.
// Every other view is placed (see ZoomedPixelX) and clips at the edges.
inline bool IsCornerView(const MapView& view) { return view.zoomLevel == 0 && !view.proportional; }

// floor(offset * scale), clamped to the 32-bit range. Inline, as are the
// two transforms below: a painting transforms every vertex and point.
// Within the map's bounds the product is never negative, and its floor is
// then its truncation, the cheapest conversion on the baseline instruction
// set; anything else takes the general path.
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
inline int32_t MapToPixelX(const MapView& view, int32_t x) {
  return ViewPixel(int64_t{x} - minX, view.scaleX);
}
inline int32_t MapToPixelY(const MapView& view, int32_t y) {
  return ViewPixel(int64_t{NegateY(y)} - minNegY, view.scaleY);
}

// The view at its zoom level, as FitViewScales placed it: the pixel column
// and row of map position (x, y), rounded down, in 64 bits and within
// +-2^52 (far beyond any image). In the corner view the same pixels as
// MapToPixelX and MapToPixelY.
int64_t ZoomedPixelX(const MapView& view, int32_t x);
int64_t ZoomedPixelY(const MapView& view, int32_t y);

// The inverse, in floating point: the map position of a pixel at the zoom
// level (its top left corner). Where a scale is 0 (an image one pixel wide
// or high, or no draw yet) nothing is divided: the position is the map's
// bound on that axis (smallest X, largest Y).
double PixelToMapX(const MapView& view, int32_t column);
double PixelToMapY(const MapView& view, int32_t row);
