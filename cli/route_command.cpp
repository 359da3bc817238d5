#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/import_module_loader.h"
#include "import/import_module.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/fast_route_search.h"
#include "route/route_search.h"
#include "route/route_summary.h"
#include "toolkit/exceptions.h"

namespace {

// The names of the roads of the last route, in order, repeated names merged.
std::vector<std::string> RoadNames() {
  std::vector<std::string> names;
  ForEachRoadName([&names](const std::string& name) {
    names.push_back(name);
    return true;
  });
  return names;
}

// Prints the route the last search found, from the start: its points'
// codes and the segments between them, the search's ticks, and its travel
// time and roads' names on maps that have them.
void PrintRoute(int32_t start, int32_t target, int32_t count) {
  std::string codes, segmentList;
  for (const int32_t code : RouteCodes()) codes += " " + std::to_string(code);
  for (const int32_t segment : RouteSegments()) segmentList += " " + std::to_string(segment);
  std::printf("route %d %d: %d points, length %lld\ncodes:%s\nsegments:%s\nticks: %lld\n", start, target,
              count, static_cast<long long>(RouteLength()), codes.c_str(), segmentList.c_str(),
              static_cast<long long>(routeTicks));
  if (!segmentDuration.empty()) std::printf("duration: %.1f\n", RouteDuration() / 10.0);
  if (!segmentName.empty()) {
    std::string roads;
    for (const std::string& name : RoadNames()) roads += (roads.empty() ? "" : " - ") + name;
    std::printf("roads: %s\n", roads.c_str());
  }
}

// Appends (x, y) to the line unless it repeats the line's last position.
void Extend(std::vector<double>& line, double x, double y) {
  const size_t n = line.size();
  if (n >= 2 && line[n - 2] == x && line[n - 1] == y) return;
  line.push_back(x);
  line.push_back(y);
}

// The line through the route the last search found, from the start: each
// point (the point with code c is at index c - 1, as the search takes it),
// and between two points the vertices of the segment joining them, in the
// direction of travel. Pairs of x and y, in map units.
std::vector<double> RouteLine() {
  const std::vector<int32_t> codes = RouteCodes(), route = RouteSegments();
  std::vector<double> line;
  const auto addPoint = [&line](int32_t code) { Extend(line, points[code - 1].X, points[code - 1].Y); };
  addPoint(codes[0]);
  for (size_t i = 0; i < route.size(); ++i) {
    const TFieldS& segment = segments[route[i]];
    const DynamicArray<TPoint>& v = segment.Vertices;
    const bool forward = segment.To == codes[i + 1];
    for (int32_t k = 0; k < v.Length(); ++k) {
      const TPoint& p = v[forward ? k : v.Length() - 1 - k];
      Extend(line, p.x, p.y);
    }
    addPoint(codes[i + 1]);
  }
  return line;
}

// Writes the routes between the pairs of codes as GeoJSON or GPX (the
// function the import module exports by that name).
void PrintThroughModule(const std::string& map, const std::vector<int32_t>& codes, const char* function,
                        FastRoutes& fastRoutes) {
  std::vector<std::vector<double>> lines;
  std::vector<std::vector<std::string>> names;
  std::vector<RuvelRouteLine> routes;
  for (size_t i = 0; i < codes.size(); i += 2) {
    const int32_t count = fastRoutes.Find(codes[i], codes[i + 1]);
    RuvelRouteLine route{};
    route.start = codes[i];
    route.target = codes[i + 1];
    route.reached = count != RouteNotFound();
    route.points = count;
    route.hasDuration = !segmentDuration.empty();
    route.hasRoads = !segmentName.empty();
    lines.push_back(route.reached ? RouteLine() : std::vector<double>());
    names.push_back(route.reached ? RoadNames() : std::vector<std::string>());
    if (route.reached) {
      route.length = RouteLength();
      route.duration = RouteDuration() / 10.0;
    }
    routes.push_back(route);
  }
  std::vector<std::vector<const char*>> roads(routes.size());
  for (size_t i = 0; i < routes.size(); ++i) {
    routes[i].coordinates = lines[i].data();
    routes[i].count = lines[i].size() / 2;
    for (const std::string& name : names[i]) roads[i].push_back(name.c_str());
    routes[i].roads = roads[i].data();
    routes[i].roadCount = roads[i].size();
  }
  const auto write = reinterpret_cast<RuvelGeoJsonFunction>(ImportModuleFunction(function));
  char message[2048] = "";
  if (write(map.c_str(), routes.data(), routes.size(), stdout, message, sizeof message) != 0)
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
  const bool noCache = TakeOption(words, "--no-cache");
  if (words.size() < 3 || words.size() % 2 == 0 || (asGeoJson && asGpx)) throw UsageError();
  std::vector<int32_t> codes;
  for (size_t i = 1; i < words.size(); ++i) codes.push_back(IntegerArgument(words[i]));
  LoadMap(words[0]);
  if (fastest) WeighByDurations(words[0]);
  FastRoutes routes = CachedFastRoutes(!noCache);
  CheckCodes(codes);
  if (asGeoJson || asGpx) {
    PrintThroughModule(words[0], codes, asGpx ? RUVEL_GPX_FUNCTION : RUVEL_GEOJSON_FUNCTION, routes);
    return;
  }
  for (size_t i = 0; i < codes.size(); i += 2) {
    const int32_t count = routes.Find(codes[i], codes[i + 1]);
    if (count == RouteNotFound())
      std::printf("route %d %d: unreachable\n", codes[i], codes[i + 1]);
    else
      PrintRoute(codes[i], codes[i + 1], count);
  }
}
