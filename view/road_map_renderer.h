#pragma once

// Drawing a road map: roads by class with widths that follow the zoom,
// detail by scale, junction dots, road names along the roads, and the route
// on top as a wide translucent line with its end marks.

#include <array>
#include <cstdint>
#include <vector>

#include "map/road_class.h"
#include "toolkit/graphics.h"
#include "view/map_painting.h"
#include "view/map_view.h"

// The metres per pixel of the view as placed (map units taken as metres):
// along the axis that shows more of them.
double MetresPerPixel(const MapView& view);

// What a picture shows besides the map store and the view: the View menu's
// Lines (roads and their names) and Points (junction dots), and the
// segments of the route drawn on top, in order.
struct RoadMapOptions {
  bool lines = true;
  bool points = true;
  std::vector<int32_t> routeSegments{};
};

// Draws road maps of the map store and keeps the last map layer drawn, so
// that a move of the pointer repaints only what the route and the marks
// touch.
class RoadMapRenderer {
 public:
  RoadMapRenderer() = default;
  RoadMapRenderer(const RoadMapRenderer&) = delete;
  RoadMapRenderer& operator=(const RoadMapRenderer&) = delete;

  // Sizes bitmap to the view's image and paints the whole picture of the
  // view as placed (see FitViewScales): the map layer
  // (ground; with Lines, the roads of the classes the scale shows, from the
  // lowest class up, each with its casing; with Points, junction dots from
  // kJunctionDotsCoarsestMetresPerPixel down; with Lines, road names), then
  // the route, the start and current marks, and the cursor mark around the
  // view's pointer. A view
  // without a positive scale shows the ground and the marks only.
  void Draw(TBitmap& bitmap, const MapView& view, const RoadMapOptions& options);

  // Brings the picture the last Draw or Redraw left in bitmap up to date
  // with the route, the start and current points and the pointer: puts
  // back the kept map layer where the old and the new route and marks lie,
  // and draws the new ones there, giving the same pixels as Draw. Returns
  // false, painting nothing, when the map layer would change (the view, the
  // options besides the pointer, the map) or bitmap is not the bitmap of
  // the last picture.
  bool Redraw(TBitmap& bitmap, const MapView& view, const RoadMapOptions& options);

  // Forgets the last picture, which something else has painted over, and
  // the map layer: the next Draw paints it anew.
  void Forget() {
    drawnOn_ = nullptr;
    layerValid_ = false;
  }

 private:
  // Everything the map layer shows besides the view: equal keys, equal
  // layers.
  struct LayerKey {
    MapView view;
    bool lines = false, points = false;
    uint32_t graphGeneration = 0;
    int32_t pointCount = 0, segmentCount = 0;
    bool operator==(const LayerKey& o) const {
      return SameView(view, o.view) && lines == o.lines && points == o.points &&
             graphGeneration == o.graphGeneration && pointCount == o.pointCount &&
             segmentCount == o.segmentCount;
    }
  };

  // The route and marks of one picture: the route's polylines in pixels
  // and the boxes of everything the route layer paints.
  struct RouteLayer {
    std::vector<TPointF> vertices;
    std::vector<uint32_t> starts;
    std::vector<PixelRect> boxes;
  };

  void UpdateClassLists();
  void PaintMapLayer(const LayerKey& key);
  void PaintRoads(TSmoothPainter& painter, const MapView& view);
  void PaintJunctionDots(TSmoothPainter& painter, const MapView& view);
  void PaintNames(TSmoothPainter& painter, const MapView& view);
  RouteLayer RouteLayerOf(const MapView& view, const std::vector<int32_t>& routeSegments) const;
  void PaintRouteLayer(TBitmap& bitmap, const MapView& view, const RouteLayer& route) const;

  // The segments of each class, and the highest class, of the map they
  // were sorted from.
  uint32_t classesGeneration_ = 0;
  int32_t classesSegmentCount_ = -1;
  std::array<std::vector<int32_t>, kRoadClassCount> byClass_;
  RoadClass highestClass_ = RoadClass::kMinor;

  // The roads drawn in the layer, in pixels: polyline k is segment
  // drawnSegment_[k], of class drawnClass_[k].
  std::vector<TPointF> drawnVertices_;
  std::vector<uint32_t> drawnStarts_;
  std::vector<int32_t> drawnSegment_;
  std::vector<RoadClass> drawnClass_;

  TBitmap layer_;
  bool layerValid_ = false;
  LayerKey layerKey_;

  // The last picture: its bitmap (none when forgotten) and the boxes its
  // route layer painted.
  const TBitmap* drawnOn_ = nullptr;
  std::vector<PixelRect> drawnBoxes_;
};
