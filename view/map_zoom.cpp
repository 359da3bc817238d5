#include "view/map_zoom.h"

#include <algorithm>
#include <cmath>

#include "app/main_form.h"
#include "map/road_graph.h"
#include "toolkit/image.h"
#include "view/map_transform.h"

namespace {

// The centre (X, negated Y) kept inside the map's bounds, so that the map
// never leaves the view.
void KeepCentreOnTheMap() {
  zoomCenterX = std::clamp<double>(zoomCenterX, minX, maxX);
  zoomCenterNegY = std::clamp<double>(zoomCenterNegY, minNegY, maxNegY);
}

// Eighths of a degree a wheel turns for one notch, one zoom level.
constexpr int kWheelNotch = 120;
// Wheel turns not yet amounting to a notch, as a touchpad sends them.
int wheelTurn = 0;

}  // namespace

bool ZoomAround(int32_t levels, int32_t x, int32_t y, int32_t width, int32_t height) {
  const int32_t level = std::clamp(zoomLevel + levels, 0, MAX_ZOOM_LEVEL);
  if (level == zoomLevel || scaleX == 0.0 || scaleY == 0.0) return false;
  if (level == 0) return ResetZoom();
  // The map point at pixel (x, y) stays there: the view's corner moves so,
  // and its centre is half the image further.
  const double pointX = PixelToMapX(x), pointNegY = -PixelToMapY(y);
  zoomLevel = level;
  const double newScaleX = std::ldexp(scaleX, level), newScaleY = std::ldexp(scaleY, level);
  zoomCenterX = pointX + (width / 2.0 - x) / newScaleX;
  zoomCenterNegY = pointNegY + (height / 2.0 - y) / newScaleY;
  KeepCentreOnTheMap();
  return true;
}

bool PanView(int32_t quarterColumns, int32_t quarterRows, int32_t width, int32_t height) {
  if (zoomLevel == 0 || (quarterColumns == 0 && quarterRows == 0)) return false;
  const double oldX = zoomCenterX, oldNegY = zoomCenterNegY;
  zoomCenterX += quarterColumns * (width / 4.0) / std::ldexp(scaleX, zoomLevel);
  zoomCenterNegY += quarterRows * (height / 4.0) / std::ldexp(scaleY, zoomLevel);
  KeepCentreOnTheMap();
  return zoomCenterX != oldX || zoomCenterNegY != oldNegY;
}

void CentreViewOn(int32_t x, int32_t y, int32_t level) {
  if (scaleX == 0.0 || scaleY == 0.0) return;
  zoomLevel = std::max(zoomLevel, level);
  zoomCenterX = x;
  zoomCenterNegY = NegateY(y);
  KeepCentreOnTheMap();
}

bool ResetZoom() {
  wheelTurn = 0;
  if (zoomLevel == 0) return false;
  zoomLevel = 0;
  return true;
}

// The wheel zooms in (turned away from the user) or out, a level a notch,
// around the pointer; the pointer's position is then shown as after a move.
void TfMain::ImageMMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, int X, int Y) {
  wheelTurn += WheelDelta;
  const int notches = wheelTurn / kWheelNotch;
  wheelTurn -= notches * kWheelNotch;
  if (ZoomAround(notches, X, Y, ImageM->Width(), ImageM->Height())) ImageMMouseMove(Sender, Shift, X, Y);
}

// While a map is shown, whichever control has the focus: '+' and '-' zoom
// around the image's centre, the arrow keys pan by a quarter of the image,
// Home returns to the whole-map view.
void TfMain::FormKeyDown(TObject*, TKey& Key, TShiftState) {
  if (!ImageM->Visible()) return;
  const int32_t width = ImageM->Width(), height = ImageM->Height();
  bool changed = false;
  switch (Key) {
    case VK_ADD:
      changed = ZoomAround(1, width / 2, height / 2, width, height);
      break;
    case VK_SUBTRACT:
      changed = ZoomAround(-1, width / 2, height / 2, width, height);
      break;
    case VK_HOME:
      changed = ResetZoom();
      break;
    case VK_LEFT:
      changed = PanView(-1, 0, width, height);
      break;
    case VK_RIGHT:
      changed = PanView(1, 0, width, height);
      break;
    case VK_UP:
      changed = PanView(0, -1, width, height);
      break;
    case VK_DOWN:
      changed = PanView(0, 1, width, height);
      break;
    default:
      return;
  }
  Key = 0;  // the map's key: not the focused box's
  if (changed) DrawMap();
}
