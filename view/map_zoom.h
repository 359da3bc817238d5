#pragma once

#include <cstdint>

#include "view/map_view.h"

// Zooming and panning a view, as the last painting placed it in its image.
// None of these draws; each returns whether the view changed. Before a map
// has been drawn (scales still 0) nothing changes.

// Changes the zoom level by levels (positive: in), within 0 and
// MAX_ZOOM_LEVEL, keeping the map point at pixel (x, y) there as far as the
// pixel grid allows, and the view's centre inside the map's bounds. Back at
// level 0, the view is the whole-map view.
bool ZoomAround(MapView& view, int32_t levels, int32_t x, int32_t y);

// Moves the view by quarters of the image's width and height (positive:
// right and down), keeping its centre inside the map's bounds. At level 0,
// the whole-map view, nothing moves.
bool PanView(MapView& view, int32_t quarterColumns, int32_t quarterRows);

// Centres the view on the map position (x, y), kept inside the map's
// bounds, raising the zoom level to level (1 to MAX_ZOOM_LEVEL) when it is
// lower. Returns nothing: the view may always change.
void CentreViewOn(MapView& view, int32_t x, int32_t y, int32_t level);

// Shows the map at level (0 to MAX_ZOOM_LEVEL) centred on the map point
// (centreX, centreNegY) along X and negated Y, wherever it lies.
void SetZoom(MapView& view, int32_t level, double centreX, double centreNegY);

// Back to level 0, the whole-map view.
bool ResetZoom(MapView& view);
