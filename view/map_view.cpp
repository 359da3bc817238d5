#include "view/map_view.h"

#include <tuple>

namespace {

auto ViewFields(const MapView& v) {
  return std::tie(v.width, v.height, v.scaleX, v.scaleY, v.zoomLevel, v.zoomCenterX, v.zoomCenterNegY,
                  v.proportional, v.placedScaleX, v.placedScaleY, v.placedOriginX, v.placedOriginNegY);
}

}  // namespace

bool SameView(const MapView& a, const MapView& b) { return ViewFields(a) == ViewFields(b); }
