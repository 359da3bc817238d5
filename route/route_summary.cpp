#include "route/route_summary.h"

#include <cstdio>
#include <vector>

#include "map/map_store.h"
#include "route/route_search.h"

int64_t DurationOf(const std::vector<int32_t>& route) {
  int64_t tenths = 0;
  for (const int32_t segment : route)
    if (static_cast<size_t>(segment) < segmentDuration.size()) tenths += segmentDuration[segment];
  return tenths;
}

int64_t RouteDuration() { return DurationOf(RouteSegments()); }

std::string DistanceText(int64_t length, bool metres) {
  if (!metres) return "length " + std::to_string(length);
  if (length < 1000) return std::to_string(length) + " m";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f km", static_cast<double>(length) / 1000);
  return text;
}

std::string DurationText(int64_t tenths) {
  const int64_t seconds = (tenths + 5) / 10;
  if (seconds < 60) return std::to_string(seconds) + " s";
  if (seconds < 3600) return std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
  const int64_t minutes = (seconds + 30) / 60;
  char text[48];
  std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(minutes / 60),
                static_cast<long long>(minutes % 60));
  return text;
}

void ForEachRoadName(const std::vector<int32_t>& route, const std::function<bool(const std::string&)>& take) {
  if (segmentName.empty()) return;
  std::string last;
  for (const int32_t segment : route) {
    if (static_cast<size_t>(segment) >= segmentName.size()) continue;
    const std::string_view name = segmentName[segment];
    if (name.empty() || name == last) continue;
    last = name;
    if (!take(last)) return;
  }
}

void ForEachRoadName(const std::function<bool(const std::string&)>& take) {
  ForEachRoadName(RouteSegments(), take);
}

std::string DistanceAndTimeText(int64_t length, int64_t tenths) {
  std::string text = DistanceText(length, mapHasCoordSys);
  if (!segmentDuration.empty()) text += ", " + DurationText(tenths);
  return text;
}

std::string RouteStatusText(int32_t routeCount, const std::function<bool(const std::string&)>& fits) {
  return RouteStatusText(routeCount, RouteSegments(), fits);
}

std::string RouteStatusText(int32_t routeCount, const std::vector<int32_t>& route,
                            const std::function<bool(const std::string&)>& fits) {
  if (routeCount == RouteNotFound()) return "no route";
  const std::string text = DistanceAndTimeText(LengthOf(route), DurationOf(route));
  // The names that fit, and whether one more was left out; each name is
  // taken only while the text so far still fits.
  std::vector<std::string> names;
  std::string joined = text;
  bool cut = false;
  ForEachRoadName(route, [&](const std::string& name) {
    joined += (names.empty() ? ", " : " - ") + name;
    names.push_back(name);
    cut = !fits(joined);
    return !cut;
  });
  if (!cut) return joined;
  // Without the name that did not fit, and then without more of them until
  // the mark that more follow fits too.
  for (names.pop_back();; names.pop_back()) {
    std::string marked = text;
    for (size_t i = 0; i < names.size(); ++i) marked += (i == 0 ? ", " : " - ") + names[i];
    marked += names.empty() ? ", ..." : " - ...";
    if (names.empty() || fits(marked)) return marked;
  }
}
