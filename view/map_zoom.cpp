#include "view/map_zoom.h"

#include <algorithm>
#include <cmath>

#include "map/road_graph.h"
#include "view/map_transform.h"

namespace {

// The centre (X, negated Y) kept inside the map's bounds, so that the map
// never leaves the view.
void KeepCentreOnTheMap(MapView& view) {
  view.zoomCenterX = std::clamp<double>(view.zoomCenterX, minX, maxX);
  view.zoomCenterNegY = std::clamp<double>(view.zoomCenterNegY, minNegY, maxNegY);
}

}  // namespace

bool ZoomAround(MapView& view, int32_t levels, int32_t x, int32_t y) {
  const int32_t level = std::clamp(view.zoomLevel + levels, 0, MAX_ZOOM_LEVEL);
  if (level == view.zoomLevel || view.scaleX == 0.0 || view.scaleY == 0.0) return false;
  if (level == 0) return ResetZoom(view);
  // The map point at pixel (x, y) stays there: the view's corner moves so,
  // and its centre is half the image further.
  const double pointX = PixelToMapX(view, x), pointNegY = -PixelToMapY(view, y);
  view.zoomLevel = level;
  const double newScaleX = std::ldexp(view.scaleX, level), newScaleY = std::ldexp(view.scaleY, level);
  view.zoomCenterX = pointX + (view.width / 2.0 - x) / newScaleX;
  view.zoomCenterNegY = pointNegY + (view.height / 2.0 - y) / newScaleY;
  KeepCentreOnTheMap(view);
  return true;
}

bool PanView(MapView& view, int32_t quarterColumns, int32_t quarterRows) {
  if (view.zoomLevel == 0 || (quarterColumns == 0 && quarterRows == 0)) return false;
  const double oldX = view.zoomCenterX, oldNegY = view.zoomCenterNegY;
  view.zoomCenterX += quarterColumns * (view.width / 4.0) / std::ldexp(view.scaleX, view.zoomLevel);
  view.zoomCenterNegY += quarterRows * (view.height / 4.0) / std::ldexp(view.scaleY, view.zoomLevel);
  KeepCentreOnTheMap(view);
  return view.zoomCenterX != oldX || view.zoomCenterNegY != oldNegY;
}

void CentreViewOn(MapView& view, int32_t x, int32_t y, int32_t level) {
  if (view.scaleX == 0.0 || view.scaleY == 0.0) return;
  SetZoom(view, std::max(view.zoomLevel, level), x, NegateY(y));
  KeepCentreOnTheMap(view);
}

void SetZoom(MapView& view, int32_t level, double centreX, double centreNegY) {
  view.zoomLevel = std::clamp(level, 0, MAX_ZOOM_LEVEL);
  view.zoomCenterX = centreX;
  view.zoomCenterNegY = centreNegY;
}

bool ResetZoom(MapView& view) {
  if (view.zoomLevel == 0) return false;
  view.zoomLevel = 0;
  return true;
}
