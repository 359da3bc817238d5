#pragma once

#include <cstdint>

// Zooming and panning the view (see zoomLevel), on the view as the last
// DrawMap placed it in an image of width x height pixels. None of these
// draws; each returns whether the view changed. Before a map has been drawn
// (scales still 0) nothing changes.

// Changes the zoom level by levels (positive: in), within 0 and
// MAX_ZOOM_LEVEL, keeping the map point at pixel (x, y) there as far as the
// pixel grid allows, and the view's centre inside the map's bounds. Back at
// level 0, the view is the whole-map view.
bool ZoomAround(int32_t levels, int32_t x, int32_t y, int32_t width, int32_t height);

// Moves the view by quarters of the image's width and height (positive:
// right and down), keeping its centre inside the map's bounds. At level 0,
// the whole-map view, nothing moves.
bool PanView(int32_t quarterColumns, int32_t quarterRows, int32_t width, int32_t height);

// Centres the view on the map position (x, y), kept inside the map's
// bounds, raising the zoom level to level (1 to MAX_ZOOM_LEVEL) when it is
// lower. Returns nothing: the view may always change.
void CentreViewOn(int32_t x, int32_t y, int32_t level);

// Back to level 0, the whole-map view.
bool ResetZoom();
