#pragma once

#include <cstdint>

// Where the window, or a picture drawn without one, looks at the map: the
// image's size, the whole-map scales, the zoom and the pointer. One value,
// owned by whoever shows the map and passed to the drawing, the redraw, the
// zoom and the pixel-to-map functions; nothing else holds view state.
struct MapView {
  // The image's size in pixels, which every bounds test uses.
  int32_t width = 0;
  int32_t height = 0;

  // Pixels per map unit along X and along negated Y at the whole-map view.
  // Set by FitViewScales (every painting of the whole view); 0.0 until one
  // gets past its early exits, and kept through early exits and closed maps.
  double scaleX = 0.0;
  double scaleY = 0.0;

  // At level k one map unit spans 2^k times the pixels of level 0 in each
  // direction. Above level 0 the map point (zoomCenterX, zoomCenterNegY), in
  // map units along X and negated Y, is at the image's centre; level 0 is
  // the whole-map view, whatever the centre says.
  int32_t zoomLevel = 0;
  double zoomCenterX = 0.0;
  double zoomCenterNegY = 0.0;

  // True proportions: one scale for both axes, the smaller of the two, and
  // at level 0 the map centred in the image. Otherwise each axis has its
  // own scale and level 0 puts the map's smallest X on column 0 and its
  // largest Y on row 0.
  bool proportional = false;

  // The pointer's last pixel position within the image, stored by every
  // move over it; 0 until the first move. The cursor mark surrounds it.
  int32_t pointerX = 0;
  int32_t pointerY = 0;

  // The view at the zoom level as FitViewScales placed it: pixels per map
  // unit, and the map position (X, negated Y) at the top left corner of
  // pixel (0, 0). Derived from the fields above and the map's bounds.
  double placedScaleX = 0.0;
  double placedScaleY = 0.0;
  double placedOriginX = 0.0;
  double placedOriginNegY = 0.0;
};

// Whether two views show the map the same way: equal in every field but the
// pointer.
bool SameView(const MapView& a, const MapView& b);
