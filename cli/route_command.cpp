#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/module_loader.h"
#include "import/import_module.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/directions.h"
#include "route/fast_route_search.h"
#include "route/route_path.h"
#include "route/route_search.h"
#include "route/route_summary.h"
#include "route/via_route.h"
#include "toolkit/exceptions.h"

namespace {

// A route between a pair of codes, through the vias, as found.
struct FoundRoute {
  int32_t start, target, count;
  RoutePath path;
  int64_t ticks;
  std::vector<DirectionStep> steps;
};

// The route from start through the vias to target, as the window finds it,
// with its directions when they are asked for.
FoundRoute Find(int32_t start, const std::vector<int32_t>& vias, int32_t target, FastRoutes& search,
                Directions* directions) {
  std::vector<int32_t> stops{start};
  stops.insert(stops.end(), vias.begin(), vias.end());
  ViaRoute route;
  route.SetStops(stops);
  const int32_t count = route.RouteTo(target, [&search](int32_t from, int32_t to, int32_t& arrival) {
    return search.FindLeg(from, to, arrival);
  });
  return {start,         target,
          count,         route.Route(),
          route.Ticks(), directions ? directions->StepsOf(route.Route()) : std::vector<DirectionStep>()};
}

// The names of the roads of the route, in order, repeated names merged.
std::vector<std::string> RoadNames(const RoutePath& path) {
  std::vector<std::string> names;
  ForEachRoadName(path.segments, [&names](const std::string& name) {
    names.push_back(name);
    return true;
  });
  return names;
}

// Prints the route, from the start: its points' codes and the segments
// between them, the searches' ticks, and its travel time and roads' names
// on maps that have them.
void PrintRoute(const FoundRoute& route) {
  std::string codes, segmentList;
  for (const int32_t code : route.path.codes) codes += " " + std::to_string(code);
  for (const int32_t segment : route.path.segments) segmentList += " " + std::to_string(segment);
  std::printf("route %d %d: %d points, length %lld\ncodes:%s\nsegments:%s\nticks: %lld\n", route.start,
              route.target, route.count, static_cast<long long>(LengthOf(route.path.segments)), codes.c_str(),
              segmentList.c_str(), static_cast<long long>(route.ticks));
  if (!segmentDuration.empty()) std::printf("duration: %.1f\n", DurationOf(route.path.segments) / 10.0);
  if (!segmentName.empty()) {
    std::string roads;
    for (const std::string& name : RoadNames(route.path)) roads += (roads.empty() ? "" : " - ") + name;
    std::printf("roads: %s\n", roads.c_str());
  }
}

// Prints the route's directions, a step a line: its instruction, its
// length in metres ("length N" on a map without a CoordSys) and its travel
// time in seconds on a map with durations.
void PrintSteps(const FoundRoute& route) {
  for (size_t k = 0; k < route.steps.size(); ++k) {
    const DirectionStep& step = route.steps[k];
    const long long length = step.length;
    std::printf(mapHasCoordSys ? "step %zu: %s; %lld m" : "step %zu: %s; length %lld", k + 1,
                step.instruction.c_str(), length);
    if (!segmentDuration.empty()) std::printf("; %.1f s", step.tenths / 10.0);
    std::printf("\n");
  }
}

// What the import module writes of a route, and the storage its pointers
// point into.
struct ModuleRoute {
  RuvelRouteLine line{};
  std::vector<double> xy;
  std::vector<std::string> names;
  std::vector<const char*> roads;
  std::vector<RuvelRouteStep> steps;
};

void Describe(const FoundRoute& found, ModuleRoute& route) {
  route.line.start = found.start;
  route.line.target = found.target;
  route.line.reached = found.count != RouteNotFound();
  route.line.points = found.count;
  route.line.hasDuration = !segmentDuration.empty();
  route.line.hasRoads = !segmentName.empty();
  if (!route.line.reached) return;
  route.line.length = LengthOf(found.path.segments);
  route.line.duration = DurationOf(found.path.segments) / 10.0;
  route.xy = LineOf(found.path).xy;
  route.names = RoadNames(found.path);
  for (const std::string& name : route.names) route.roads.push_back(name.c_str());
  for (const DirectionStep& step : found.steps) {
    const TFieldM& at = points[step.code - 1];
    route.steps.push_back(
        {step.instruction.c_str(), step.length, step.tenths / 10.0, step.code, double(at.X), double(at.Y)});
  }
  route.line.coordinates = route.xy.data();
  route.line.count = route.xy.size() / 2;
  route.line.roads = route.roads.data();
  route.line.roadCount = route.roads.size();
  route.line.steps = route.steps.data();
  route.line.stepCount = route.steps.size();
}

// Writes the routes as GeoJSON or GPX (the function the import module
// exports by that name).
void PrintThroughModule(const std::string& map, const std::vector<FoundRoute>& found, const char* function) {
  std::vector<ModuleRoute> routes(found.size());
  std::vector<RuvelRouteLine> lines;
  for (size_t i = 0; i < found.size(); ++i) {
    Describe(found[i], routes[i]);
    lines.push_back(routes[i].line);
  }
  const auto write = reinterpret_cast<RuvelGeoJsonFunction>(
      ModuleFunction(RUVEL_IMPORT_MODULE_FILE, "import module", function));
  char message[2048] = "";
  if (write(map.c_str(), lines.data(), lines.size(), stdout, message, sizeof message) != 0)
    throw Exception(message);
}

// Refuses, before any route is printed, a code that names no point of the
// road graph: the search takes code c as its c-th point, 1..nodeCount.
void CheckCodes(const std::vector<int32_t>& codes) {
  for (const int32_t code : codes)
    if (code < 1 || code > nodeCount) throw Exception("no point has code " + std::to_string(code));
}

// Takes the option out of words; whether it was there.
bool TakeOption(std::vector<std::string>& words, const std::string& option) {
  const auto taken = std::remove(words.begin(), words.end(), option);
  const bool found = taken != words.end();
  words.erase(taken, words.end());
  return found;
}

// Takes every "--via CODE" out of words: the codes in order. UsageError for
// a --via without a code.
std::vector<int32_t> TakeVias(std::vector<std::string>& words) {
  std::vector<int32_t> vias;
  for (auto at = std::find(words.begin(), words.end(), "--via"); at != words.end();
       at = std::find(words.begin(), words.end(), "--via")) {
    if (at + 1 == words.end()) throw UsageError();
    vias.push_back(IntegerArgument(*(at + 1)));
    at = words.erase(at, at + 2);
  }
  return vias;
}

}  // namespace

void WeighByDurations(const std::string& map) {
  if (segmentDuration.empty())
    throw Exception(map + " has no durations (no Duration column in its S layer): --fastest needs them");
  graphWeighsDurations = true;
  BuildRoadGraph();
}

void RunRoute(const std::vector<std::string>& args) {
  std::vector<std::string> words = args;
  const bool asGeoJson = TakeOption(words, "--geojson");
  const bool asGpx = TakeOption(words, "--gpx");
  const bool fastest = TakeOption(words, "--fastest");
  const bool withSteps = TakeOption(words, "--directions");
  const std::vector<int32_t> vias = TakeVias(words);
  const bool noCache = TakeOption(words, "--no-cache");
  if (words.size() < 3 || words.size() % 2 == 0 || (asGeoJson && asGpx)) throw UsageError();
  if (!vias.empty() && words.size() != 3) throw UsageError();
  std::vector<int32_t> codes;
  for (size_t i = 1; i < words.size(); ++i) codes.push_back(IntegerArgument(words[i]));
  const TurnRestrictions restrictions = LoadMap(words[0]);
  if (fastest) WeighByDurations(words[0]);
  FastRoutes routes = CachedFastRoutes(!noCache, restrictions);
  CheckCodes(codes);
  CheckCodes(vias);
  Directions directions;
  std::vector<FoundRoute> found;
  for (size_t i = 0; i < codes.size(); i += 2)
    found.push_back(
        Find(codes[i], vias, codes[i + 1], routes, withSteps || asGeoJson || asGpx ? &directions : nullptr));
  if (asGeoJson || asGpx) {
    PrintThroughModule(words[0], found, asGpx ? RUVEL_GPX_FUNCTION : RUVEL_GEOJSON_FUNCTION);
    return;
  }
  for (const FoundRoute& route : found) {
    if (route.count == RouteNotFound()) {
      std::printf("route %d %d: unreachable\n", route.start, route.target);
      continue;
    }
    PrintRoute(route);
    if (withSteps) PrintSteps(route);
  }
}
