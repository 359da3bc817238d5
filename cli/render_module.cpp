// The render module's entry point, called by ruvel-route through plain C
// types: the map is loaded and drawn here, in the module's own tables, and
// every exception stops here and becomes a message.
#include "cli/render_module.h"

#include <string>
#include <vector>

#include "cli/commands.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/fast_route_search.h"
#include "route/turn_graph.h"
#include "route/via_route.h"
#include "toolkit/exceptions.h"
#include "toolkit/graphics.h"
#include "toolkit/module_entry.h"
#include "view/map_image.h"
#include "view/map_transform.h"
#include "view/map_zoom.h"
#include "view/road_map_renderer.h"

namespace {

// The largest image side render draws: 16384 pixels.
constexpr int32_t kMaxImageSide = 1 << 14;

struct RenderRequest {
  std::string map, out;
  int32_t width = 683, height = 397;  // the map image at the window's design size
  bool route = false;
  int32_t start = 0, target = 0;
  std::vector<int32_t> vias;  // codes the route passes, in order
  bool drawPoints = true, drawLines = true;
  int32_t zoom = 0;
  bool hasCenter = false;
  int32_t centerX = 0, centerY = 0;  // as in the map's files: Y not negated
  // The window's View, Road map and True proportions; unset, as the window
  // opens the map: both for a map with road classes.
  int roadMap = -1, proportional = -1;
};

// "WIDTHxHEIGHT", each side from 1 to kMaxImageSide.
void ParseSize(const std::string& word, RenderRequest& request) {
  const size_t x = word.find('x');
  if (x == std::string::npos) throw UsageError();
  request.width = IntegerArgument(word.substr(0, x));
  request.height = IntegerArgument(word.substr(x + 1));
  const auto fits = [](int32_t side) { return side >= 1 && side <= kMaxImageSide; };
  if (!fits(request.width) || !fits(request.height)) throw UsageError();
}

RenderRequest ParseRender(const std::vector<std::string>& args) {
  if (args.size() < 2) throw UsageError();
  RenderRequest request;
  request.map = args[0];
  request.out = args[1];
  for (size_t i = 2; i < args.size(); ++i) {
    const auto next = [&]() -> const std::string& {
      if (++i == args.size()) throw UsageError();
      return args[i];
    };
    if (args[i] == "--size") {
      ParseSize(next(), request);
    } else if (args[i] == "--route") {
      request.route = true;
      request.start = IntegerArgument(next());
      request.target = IntegerArgument(next());
    } else if (args[i] == "--via") {
      request.vias.push_back(IntegerArgument(next()));
    } else if (args[i] == "--no-points") {
      request.drawPoints = false;
    } else if (args[i] == "--no-lines") {
      request.drawLines = false;
    } else if (args[i] == "--zoom") {
      request.zoom = IntegerArgument(next());
      if (request.zoom < 0 || request.zoom > MAX_ZOOM_LEVEL) throw UsageError();
    } else if (args[i] == "--style") {
      const std::string& style = next();
      if (style != "road" && style != "plain") throw UsageError();
      request.roadMap = style == "road";
    } else if (args[i] == "--proportional") {
      request.proportional = 1;
    } else if (args[i] == "--center") {
      request.hasCenter = true;
      request.centerX = IntegerArgument(next());
      request.centerY = IntegerArgument(next());
    } else {
      throw UsageError();
    }
  }
  if (!request.vias.empty() && !request.route) throw UsageError();
  return request;
}

// The index of the first point carrying code.
int32_t PointWithCode(int32_t code) {
  for (int32_t i = 0; i < pointCount; ++i)
    if (points[i].Code == code) return i;
  throw Exception("no point has code " + std::to_string(code));
}

// Draws into a bitmap of its own, with no window and no application: the
// window background then comes from Qt's built-in palette (white), as in a
// window on a desktop without a colour theme. No pointer has moved over the
// picture, so no cursor mark is drawn.
void Render(const std::vector<std::string>& args) {
  const RenderRequest request = ParseRender(args);
  const TurnRestrictions restrictions = LoadMap(request.map);
  FastRoutes routes;
  routes.SetTurns(TurnsOf(SnapshotRoadGraph(), restrictions));
  ViaRoute route;
  if (request.route) {
    // As the window does, with Directions and the vias chosen, once the
    // pointer has reached the target.
    startPoint = PointWithCode(request.start);
    currentPoint = PointWithCode(request.target);
    std::vector<int32_t> stops{points[startPoint].Code};
    for (const int32_t via : request.vias) stops.push_back(points[PointWithCode(via)].Code);
    route.SetStops(stops);
    route.RouteTo(points[currentPoint].Code, [&routes](int32_t from, int32_t to, int32_t& arrival) {
      return routes.FindLeg(from, to, arrival);
    });
  }
  TBitmap bitmap;
  MapView view;
  view.width = request.width;
  view.height = request.height;
  const bool classes = !segmentClass.empty();
  view.proportional = request.proportional < 0 ? classes : request.proportional == 1;
  RoadMapRenderer roadMap;
  const bool drawRoadMap = request.roadMap < 0 ? classes : request.roadMap == 1;
  const MapImageOptions options{request.drawLines, request.drawPoints, drawRoadMap ? &roadMap : nullptr,
                                route.Route()};
  DrawMapImage(&bitmap, view, options);  // the whole-map view, which sets the scales
  if (request.zoom > 0) {
    SetZoom(view, request.zoom, request.hasCenter ? request.centerX : (static_cast<double>(minX) + maxX) / 2,
            request.hasCenter ? NegateY(request.centerY) : (static_cast<double>(minNegY) + maxNegY) / 2);
    DrawMapImage(&bitmap, view, options);
  }
  if (!SaveBitmapToPng(bitmap, request.out)) throw Exception("cannot write " + request.out);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int RuvelRender(int argc, const char* const* argv,
                                                                  char* message, size_t messageSize) {
  return ModuleEntryStatus<UsageError>(message, messageSize, "the render module failed",
                                       [&] { Render(std::vector<std::string>(argv, argv + argc)); });
}
