#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/offscreen_window.h"
#include "cli/commands.h"
#include "cli/import_module_loader.h"
#include "import/import_module.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "toolkit/controls.h"
#include "toolkit/exceptions.h"

namespace {

// The sum of the lengths of the segments of the route FindRoute left in
// frontier (count points, target first).
int64_t RouteLength(int32_t count) {
  int64_t length = 0;
  for (int32_t i = 0; i + 1 < count; ++i) length += segments[prevSegment[frontier[i]]].Length;
  return length;
}

// Prints the route FindRoute left in frontier (target first), from the
// start: its points' codes and the segments between them.
void PrintRoute(int32_t start, int32_t target, int32_t count) {
  std::string codes, segmentList;
  for (int32_t i = count - 1; i >= 0; --i) {
    codes += " " + std::to_string(frontier[i]);
    if (i < count - 1) segmentList += " " + std::to_string(prevSegment[frontier[i]]);
  }
  std::printf("route %d %d: %d points, length %lld\ncodes:%s\nsegments:%s\nticks: %s\n", start, target, count,
              static_cast<long long>(RouteLength(count)), codes.c_str(), segmentList.c_str(),
              fMain->EditTime->Text().c_str());
}

// Appends (x, y) to the line unless it repeats the line's last position.
void Extend(std::vector<double>& line, double x, double y) {
  const size_t n = line.size();
  if (n >= 2 && line[n - 2] == x && line[n - 1] == y) return;
  line.push_back(x);
  line.push_back(y);
}

// The line through the route FindRoute left in frontier, from the start:
// each point (the point with code c is at index c - 1, as the search takes
// it), and between two points the vertices of the segment joining them, in
// the direction of travel. Pairs of x and y, in map units.
std::vector<double> RouteLine(int32_t count) {
  std::vector<double> line;
  const auto addPoint = [&line](int32_t code) { Extend(line, points[code - 1].X, points[code - 1].Y); };
  addPoint(frontier[count - 1]);
  for (int32_t i = count - 2; i >= 0; --i) {
    const TFieldS& segment = segments[prevSegment[frontier[i]]];
    const DynamicArray<TPoint>& v = segment.Vertices;
    const bool forward = segment.To == frontier[i];
    for (int32_t k = 0; k < v.Length(); ++k) {
      const TPoint& p = v[forward ? k : v.Length() - 1 - k];
      Extend(line, p.x, p.y);
    }
    addPoint(frontier[i]);
  }
  return line;
}

// Writes the routes between the pairs of codes as GeoJSON, through the
// import module.
void PrintGeoJson(const std::string& map, const std::vector<int32_t>& codes) {
  std::vector<std::vector<double>> lines;
  std::vector<RuvelRouteLine> routes;
  for (size_t i = 0; i < codes.size(); i += 2) {
    const int32_t count = FindRoute(codes[i], codes[i + 1]);
    RuvelRouteLine route = {codes[i], codes[i + 1], count != ROUTE_NOT_FOUND, count, 0, nullptr, 0};
    if (route.reached) {
      route.length = RouteLength(count);
      lines.push_back(RouteLine(count));
    } else {
      lines.emplace_back();
    }
    routes.push_back(route);
  }
  for (size_t i = 0; i < routes.size(); ++i) {
    routes[i].coordinates = lines[i].data();
    routes[i].count = lines[i].size() / 2;
  }
  const auto write = reinterpret_cast<RuvelGeoJsonFunction>(ImportModuleFunction(RUVEL_GEOJSON_FUNCTION));
  char message[2048] = "";
  if (write(map.c_str(), routes.data(), routes.size(), stdout, message, sizeof message) != 0)
    throw Exception(message);
}

}  // namespace

void RunRoute(const std::vector<std::string>& args) {
  std::vector<std::string> words = args;
  const auto geojson = std::remove(words.begin(), words.end(), "--geojson");
  const bool asGeoJson = geojson != words.end();
  words.erase(geojson, words.end());
  if (words.size() < 3 || words.size() % 2 == 0) throw UsageError();
  std::vector<int32_t> codes;
  for (size_t i = 1; i < words.size(); ++i) codes.push_back(IntegerArgument(words[i]));
  CreateOffscreenMainWindow();
  LoadMap(words[0]);
  if (asGeoJson) {
    PrintGeoJson(words[0], codes);
    return;
  }
  for (size_t i = 0; i < codes.size(); i += 2) {
    const int32_t count = FindRoute(codes[i], codes[i + 1]);
    if (count == ROUTE_NOT_FOUND)
      std::printf("route %d %d: unreachable\n", codes[i], codes[i + 1]);
    else
      PrintRoute(codes[i], codes[i + 1], count);
  }
}
