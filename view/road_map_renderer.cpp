#include "view/road_map_renderer.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include "map/area_index.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "view/road_labels.h"
#include "view/road_style.h"

namespace {

// Vertices closer than this, in pixels, to the last one kept add nothing
// visible to a stroke and are left out: for roads, and for the wide route
// line, which each vertex costs a join.
constexpr double kLeastStep = 0.75;
constexpr double kLeastRouteStep = 1.5;
// How far, in pixels, the route line may pass from a vertex it leaves out.
constexpr double kRouteBendTolerance = 0.3;
// How far around the image, in pixels, roads and dots are still gathered.
constexpr double kGatherMargin = 24;
// The part of the map's area a view must show for the roads to be taken
// class by class rather than through the area index.
constexpr double kWideView = 0.25;
// The side of the tiles a redraw puts back.
constexpr int kTile = 32;
// Map units are taken as metres: imported maps are in metres.
constexpr double kMetresPerUnit = 1;

TPointF PixelOf(const MapView& view, int32_t x, int32_t y) {
  return {(x - view.placedOriginX) * view.placedScaleX + 0.5,
          (NegateY(y) - view.placedOriginNegY) * view.placedScaleY + 0.5};
}

bool HasScale(const MapView& view) { return view.placedScaleX > 0 && view.placedScaleY > 0; }

RoadClass ClassOf(int32_t segment) {
  return static_cast<size_t>(segment) < segmentClass.size() ? segmentClass[segment] : RoadClass::kMinor;
}

// The map area the view shows, grown by kGatherMargin pixels, in map units
// along X and negated Y.
struct MapArea {
  double x0, negY0, x1, negY1;
};
MapArea AreaOf(const MapView& view) {
  return {view.placedOriginX - kGatherMargin / view.placedScaleX,
          view.placedOriginNegY - kGatherMargin / view.placedScaleY,
          view.placedOriginX + (view.width + kGatherMargin) / view.placedScaleX,
          view.placedOriginNegY + (view.height + kGatherMargin) / view.placedScaleY};
}

// Whether the view shows so much of the map that walking the classes' lists
// costs less than asking the area index.
bool ShowsMuchOfTheMap(const MapArea& area) {
  const double mapArea =
      (static_cast<double>(maxX) - minX + 1) * (static_cast<double>(maxNegY) - minNegY + 1);
  return (area.x1 - area.x0) * (area.negY1 - area.negY0) >= kWideView * mapArea;
}

// Appends segment i's vertices in pixels as one polyline, leaving out
// vertices closer than leastStep to the last one kept (never the last).
// Appends nothing and returns false for a segment of fewer than two
// vertices or one lying wholly more than margin pixels outside the view.
bool AppendSegment(int32_t i, const MapView& view, double margin, double leastStep,
                   std::vector<TPointF>& vertices, std::vector<uint32_t>& starts) {
  const DynamicArray<TPoint>& points = segments[i].Vertices;
  const int32_t n = points.Length();
  if (n < 2) return false;
  const size_t first = vertices.size();
  double left = std::numeric_limits<double>::max(), right = -left, top = left, bottom = -left;
  for (int32_t k = 0; k < n; ++k) {
    const TPointF p = PixelOf(view, points[k].x, points[k].y);
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
    if (vertices.size() > first && k + 1 < n &&
        std::hypot(p.x - vertices.back().x, p.y - vertices.back().y) < leastStep)
      continue;
    vertices.push_back(p);
  }
  if (right < -margin || left > view.width + margin || bottom < -margin || top > view.height + margin) {
    vertices.resize(first);
    return false;
  }
  starts.push_back(static_cast<uint32_t>(first));
  return true;
}

bool SamePixel(TPointF a, TPointF b) { return a.x == b.x && a.y == b.y; }

// Joins the polyline just appended to the one before it where it begins or
// ends at that one's end, turned to run on from there: a route is then one
// line, stroked without caps and joins at every junction.
void JoinToPrevious(std::vector<TPointF>& vertices, std::vector<uint32_t>& starts) {
  if (starts.size() < 2) return;
  const auto last = vertices.begin() + starts.back();
  const TPointF end = *(last - 1);
  if (!SamePixel(*last, end) && SamePixel(vertices.back(), end)) std::reverse(last, vertices.end());
  if (!SamePixel(*last, end)) return;
  vertices.erase(last);
  starts.pop_back();
}

// Leaves out of each polyline the inner vertices that lie within tolerance
// pixels of the line from the last vertex kept to the vertex after them:
// bends too slight to see, which each cost the stroke a join.
void Straighten(std::vector<TPointF>& vertices, std::vector<uint32_t>& starts, double tolerance) {
  size_t kept = 0;
  for (size_t k = 0; k < starts.size(); ++k) {
    const size_t first = starts[k], end = k + 1 < starts.size() ? starts[k + 1] : vertices.size();
    starts[k] = static_cast<uint32_t>(kept);
    vertices[kept++] = vertices[first];
    for (size_t v = first + 1; v < end; ++v) {
      if (v + 1 < end) {
        const TPointF a = vertices[kept - 1], b = vertices[v + 1], p = vertices[v];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        const double off = std::fabs((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x));
        if (length > 0 && off <= tolerance * length) continue;
      }
      vertices[kept++] = vertices[v];
    }
  }
  vertices.resize(kept);
}

// The box of pixels within grow of the line from a to b, clamped to the
// view.
PixelRect BoxAround(TPointF a, TPointF b, double grow, const MapView& view) {
  const auto clampTo = [](double v, int32_t size) {
    return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(size)));
  };
  return {clampTo(std::floor(std::min(a.x, b.x) - grow), view.width),
          clampTo(std::floor(std::min(a.y, b.y) - grow), view.height),
          clampTo(std::ceil(std::max(a.x, b.x) + grow) + 1, view.width),
          clampTo(std::ceil(std::max(a.y, b.y) + grow) + 1, view.height)};
}

// The tiles of an image that a redraw puts back from the map layer.
class TileSet {
 public:
  explicit TileSet(const MapView& view)
      : width_(view.width),
        height_(view.height),
        columns_((view.width + kTile - 1) / kTile),
        marked_(static_cast<size_t>(columns_) * ((view.height + kTile - 1) / kTile)) {}

  void Mark(const PixelRect& box) {
    if (box.right <= box.left || box.bottom <= box.top) return;
    for (int row = box.top / kTile; row <= (box.bottom - 1) / kTile; ++row)
      for (int column = box.left / kTile; column <= (box.right - 1) / kTile; ++column)
        marked_[static_cast<size_t>(row) * columns_ + column] = 1;
  }

  // Copies each run of marked tiles along a row of tiles from source.
  void CopyFrom(const TBitmap& source, TCanvas* canvas) const {
    for (size_t start = 0; start < marked_.size();) {
      if (!marked_[start]) {
        ++start;
        continue;
      }
      const int row = static_cast<int>(start / columns_), first = static_cast<int>(start % columns_);
      int end = first;
      while (end < columns_ && marked_[static_cast<size_t>(row) * columns_ + end]) ++end;
      canvas->CopyRect(TRect(first * kTile, row * kTile, std::min(end * kTile, width_),
                             std::min((row + 1) * kTile, height_)),
                       source);
      start = static_cast<size_t>(row) * columns_ + end;
    }
  }

 private:
  int width_, height_, columns_;
  std::vector<uint8_t> marked_;
};

// A road for naming: the polylines of connected segments of one name.
struct NamedRoad {
  std::string_view name;
  RoadClass roadClass;
  double length;  // in pixels
  std::vector<uint32_t> lines;
};

// A name at a junction, which joins the segments of that name meeting there
// into one road.
struct NameAt {
  std::string_view name;
  int32_t code;
  bool operator==(const NameAt& o) const { return code == o.code && name == o.name; }
};
struct NameAtHash {
  size_t operator()(const NameAt& k) const {
    return std::hash<std::string_view>()(k.name) ^ (static_cast<size_t>(k.code) * 0x9E3779B97F4A7C15u);
  }
};

uint32_t Root(std::vector<uint32_t>& parent, uint32_t k) {
  while (parent[k] != k) k = parent[k] = parent[parent[k]];
  return k;
}

double PolylineLength(const std::vector<TPointF>& vertices, uint32_t first, uint32_t end) {
  double length = 0;
  for (uint32_t k = first + 1; k < end; ++k)
    length += std::hypot(vertices[k].x - vertices[k - 1].x, vertices[k].y - vertices[k - 1].y);
  return length;
}

// Calls mark(p, style) with the pixel and the style of the start point's
// mark, then of the current point's, for each that the map holds.
template <typename Mark>
void ForEachEndMark(const MapView& view, Mark mark) {
  for (const auto& [point, style] :
       {std::pair{startPoint, kStartMark}, std::pair{currentPoint, kCurrentMark}})
    if (point >= 0 && point < pointCount) mark(PixelOf(view, points[point].X, points[point].Y), style);
}

}  // namespace

double MetresPerPixel(const MapView& view) {
  const double scale = std::min(view.placedScaleX, view.placedScaleY);
  return scale > 0 ? kMetresPerUnit / scale : std::numeric_limits<double>::infinity();
}

void RoadMapRenderer::UpdateClassLists() {
  if (classesGeneration_ == graphGeneration && classesSegmentCount_ == segmentCount) return;
  classesGeneration_ = graphGeneration;
  classesSegmentCount_ = segmentCount;
  for (auto& list : byClass_) list.clear();
  for (int32_t i = 0; i < segmentCount; ++i) byClass_[static_cast<size_t>(ClassOf(i))].push_back(i);
  highestClass_ = RoadClass::kMinor;
  for (int c = 0; c < kRoadClassCount; ++c) {
    if (!byClass_[c].empty()) {
      highestClass_ = static_cast<RoadClass>(c);
      break;
    }
  }
}

void RoadMapRenderer::Draw(TBitmap& bitmap, const MapView& view, const RoadMapOptions& options) {
  bitmap.Width(view.width);
  bitmap.Height(view.height);
  const LayerKey key{view, options.lines, options.points, graphGeneration, pointCount, segmentCount};
  if (!layerValid_ || !(layerKey_ == key)) PaintMapLayer(key);
  bitmap.GetCanvas()->CopyRect(TRect(0, 0, view.width, view.height), layer_);
  RouteLayer route = RouteLayerOf(view, options.routeSegments);
  PaintRouteLayer(bitmap, view, route);
  drawnOn_ = &bitmap;
  drawnBoxes_ = std::move(route.boxes);
}

bool RoadMapRenderer::Redraw(TBitmap& bitmap, const MapView& view, const RoadMapOptions& options) {
  const LayerKey key{view, options.lines, options.points, graphGeneration, pointCount, segmentCount};
  if (drawnOn_ != &bitmap || !layerValid_ || !(layerKey_ == key) || bitmap.Width() != view.width ||
      bitmap.Height() != view.height)
    return false;
  RouteLayer route = RouteLayerOf(view, options.routeSegments);
  TileSet tiles(view);
  for (const PixelRect& box : drawnBoxes_) tiles.Mark(box);
  for (const PixelRect& box : route.boxes) tiles.Mark(box);
  tiles.CopyFrom(layer_, bitmap.GetCanvas());
  PaintRouteLayer(bitmap, view, route);
  drawnBoxes_ = std::move(route.boxes);
  return true;
}

void RoadMapRenderer::PaintMapLayer(const LayerKey& key) {
  const MapView& view = key.view;
  layer_.Width(view.width);
  layer_.Height(view.height);
  TCanvas* canvas = layer_.GetCanvas();
  canvas->Brush()->SetColor(kRoadMapBackground);
  canvas->FillRect(TRect(0, 0, view.width, view.height));
  drawnVertices_.clear();
  drawnStarts_.clear();
  drawnSegment_.clear();
  drawnClass_.clear();
  if (HasScale(view)) {
    UpdateClassLists();
    TSmoothPainter painter(layer_);
    if (key.lines) PaintRoads(painter, view);
    if (key.points && MetresPerPixel(view) <= kJunctionDotsCoarsestMetresPerPixel)
      PaintJunctionDots(painter, view);
    if (key.lines) PaintNames(painter, view);
  }
  layerValid_ = true;
  layerKey_ = key;
}

void RoadMapRenderer::PaintRoads(TSmoothPainter& painter, const MapView& view) {
  const double metresPerPixel = MetresPerPixel(view);
  const MapArea area = AreaOf(view);
  const bool wide = ShowsMuchOfTheMap(area);
  std::array<std::vector<int32_t>, kRoadClassCount> inArea;
  if (!wide) {
    std::vector<int32_t> ids;
    SegmentsInArea(area.x0, area.negY0, area.x1, area.negY1, ids);
    for (const int32_t i : ids) inArea[static_cast<size_t>(ClassOf(i))].push_back(i);
  }
  const bool named = segmentName.size() == static_cast<size_t>(segmentCount);
  std::vector<TPointF> vertices;
  std::vector<uint32_t> starts;
  for (int c = kRoadClassCount - 1; c >= 0; --c) {
    const RoadClass roadClass = static_cast<RoadClass>(c);
    if (!ClassShownAt(roadClass, metresPerPixel, highestClass_)) continue;
    const RoadClassStyle& style = StyleOf(roadClass);
    const double width = RoadWidthPixels(roadClass, metresPerPixel);
    const bool nameClass = named && NamesShownAt(roadClass, metresPerPixel);
    vertices.clear();
    starts.clear();
    for (const int32_t i : wide ? byClass_[c] : inArea[c]) {
      if (!AppendSegment(i, view, width + 2, kLeastStep, vertices, starts) || !nameClass ||
          segmentName[i].empty())
        continue;
      // Kept for naming.
      drawnStarts_.push_back(static_cast<uint32_t>(drawnVertices_.size()));
      drawnVertices_.insert(drawnVertices_.end(), vertices.begin() + starts.back(), vertices.end());
      drawnSegment_.push_back(i);
      drawnClass_.push_back(roadClass);
    }
    if (style.casingWidth > 0)
      painter.StrokePolylines(vertices, starts, {style.casing, 255, width + 2 * style.casingWidth, 0, 0});
    painter.StrokePolylines(vertices, starts, {style.fill, 255, width, style.dash, style.gap});
  }
}

void RoadMapRenderer::PaintJunctionDots(TSmoothPainter& painter, const MapView& view) {
  const MapArea area = AreaOf(view);
  std::vector<int32_t> ids;
  PointsInArea(area.x0, area.negY0, area.x1, area.negY1, ids);
  const double reach = kJunctionDot.radius + kJunctionDot.outlineWidth;
  for (const int32_t j : ids) {
    const TPointF p = PixelOf(view, points[j].X, points[j].Y);
    if (p.x < -reach || p.x > view.width + reach || p.y < -reach || p.y > view.height + reach) continue;
    painter.DrawCircle(p, kJunctionDot.radius, kJunctionDot.fill, kJunctionDot.outline,
                       kJunctionDot.outlineWidth);
  }
}

void RoadMapRenderer::PaintNames(TSmoothPainter& painter, const MapView& view) {
  const uint32_t lineCount = static_cast<uint32_t>(drawnStarts_.size());
  const auto endOf = [&](uint32_t k) {
    return k + 1 < lineCount ? drawnStarts_[k + 1] : static_cast<uint32_t>(drawnVertices_.size());
  };
  // Segments of one name that meet at a junction are one road.
  std::vector<uint32_t> parent(lineCount);
  std::iota(parent.begin(), parent.end(), 0);
  std::unordered_map<NameAt, uint32_t, NameAtHash> firstAt;
  for (uint32_t k = 0; k < lineCount; ++k) {
    const TFieldS& segment = segments[drawnSegment_[k]];
    for (const int32_t code : {segment.From, segment.To}) {
      const auto [it, added] = firstAt.emplace(NameAt{segmentName[drawnSegment_[k]], code}, k);
      if (!added) parent[Root(parent, k)] = Root(parent, it->second);
    }
  }
  std::vector<NamedRoad> roads;
  std::vector<int32_t> roadOfRoot(lineCount, -1);
  for (uint32_t k = 0; k < lineCount; ++k) {
    const uint32_t root = Root(parent, k);
    if (roadOfRoot[root] < 0) {
      roadOfRoot[root] = static_cast<int32_t>(roads.size());
      roads.push_back({segmentName[drawnSegment_[k]], drawnClass_[k], 0, {}});
    }
    NamedRoad& road = roads[roadOfRoot[root]];
    road.roadClass = std::min(road.roadClass, drawnClass_[k]);
    road.length += PolylineLength(drawnVertices_, drawnStarts_[k], endOf(k));
    road.lines.push_back(k);
  }
  // Higher classes first, then longer roads.
  std::stable_sort(roads.begin(), roads.end(), [](const NamedRoad& a, const NamedRoad& b) {
    return a.roadClass != b.roadClass ? a.roadClass < b.roadClass : a.length > b.length;
  });
  LabelLines lines;
  std::vector<LabelRoad> labelRoads;
  std::vector<std::string_view> names;
  for (const NamedRoad& road : roads) {
    const TTextExtent text = MeasureText(road.name, kNamePixelSize);
    if (road.length < text.width) continue;
    const uint32_t first = static_cast<uint32_t>(lines.starts.size());
    for (const uint32_t k : road.lines) {
      lines.starts.push_back(static_cast<uint32_t>(lines.vertices.size()));
      lines.vertices.insert(lines.vertices.end(), drawnVertices_.begin() + drawnStarts_[k],
                            drawnVertices_.begin() + endOf(k));
    }
    labelRoads.push_back({text.width + 2 * kNameHaloWidth, text.ascent + text.descent, first,
                          static_cast<uint32_t>(lines.starts.size())});
    names.push_back(road.name);
  }
  const TTextStyle style{kNameColor, kNamePixelSize, kNameHalo, kNameHaloWidth};
  for (const PlacedLabel& label : PlaceRoadLabels(labelRoads, lines, view.width, view.height))
    painter.DrawText(label.centre, label.angle, names[label.road], style);
}

RoadMapRenderer::RouteLayer RoadMapRenderer::RouteLayerOf(const MapView& view,
                                                          const std::vector<int32_t>& routeSegments) const {
  RouteLayer route;
  const double grow = RouteWidthPixels(MetresPerPixel(view)) / 2 + 2;
  if (HasScale(view)) {
    for (const int32_t i : routeSegments) {
      if (i >= 0 && i < segmentCount &&
          AppendSegment(i, view, grow, kLeastRouteStep, route.vertices, route.starts))
        JoinToPrevious(route.vertices, route.starts);
    }
    Straighten(route.vertices, route.starts, kRouteBendTolerance);
    for (size_t k = 1; k < route.vertices.size(); ++k) {
      if (!std::binary_search(route.starts.begin(), route.starts.end(), static_cast<uint32_t>(k)))
        route.boxes.push_back(BoxAround(route.vertices[k - 1], route.vertices[k], grow, view));
    }
    ForEachEndMark(view, [&](TPointF p, const MarkStyle& mark) {
      route.boxes.push_back(BoxAround(p, p, mark.radius + mark.outlineWidth / 2 + 2, view));
    });
  }
  route.boxes.push_back(CursorMarkBox(view.pointerX, view.pointerY, {view.width, view.height}));
  return route;
}

void RoadMapRenderer::PaintRouteLayer(TBitmap& bitmap, const MapView& view, const RouteLayer& route) const {
  if (HasScale(view)) {
    TSmoothPainter painter(bitmap);
    painter.StrokePolylines(route.vertices, route.starts,
                            {kRouteColor, kRouteAlpha, RouteWidthPixels(MetresPerPixel(view)), 0, 0});
    ForEachEndMark(view, [&](TPointF p, const MarkStyle& mark) {
      painter.DrawCircle(p, mark.radius, mark.fill, mark.outline, mark.outlineWidth);
    });
  }
  const PixelRect cursor = CursorMarkBox(view.pointerX, view.pointerY, {view.width, view.height});
  if (cursor.right == cursor.left) return;
  for (const int dx : {-1, 1})
    for (const int dy : {-1, 1}) bitmap.GetCanvas()->SetPixel(view.pointerX + dx, view.pointerY + dy, clGray);
}
