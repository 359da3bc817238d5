#include "bench/road_like_map.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"

namespace {

constexpr int kTowns = 40;
constexpr int kTownSide = 12;       // junctions along each side of a town
constexpr int kStreet = 100;        // units between a town's junctions
constexpr double kCounty = 200000;  // the side of the square the towns lie in
constexpr int kRoadsPerTown = 3;    // country roads to the nearest towns

struct Position {
  double x, y;
};

// The map being made, before it goes into the store.
struct Network {
  std::vector<Position> points;
  std::vector<std::pair<int32_t, int32_t>> roads;  // point indices

  int32_t Add(Position p) {
    points.push_back(p);
    return static_cast<int32_t>(points.size()) - 1;
  }
};

// A town around centre; returns the index of its middle junction.
int32_t AddTown(Network& net, Position centre, std::mt19937& random) {
  std::uniform_real_distribution<double> jitter(-25, 25);
  std::uniform_int_distribution<int> keep(0, 9);
  const int32_t first = static_cast<int32_t>(net.points.size());
  for (int r = 0; r < kTownSide; ++r)
    for (int c = 0; c < kTownSide; ++c)
      net.Add({centre.x + (c - kTownSide / 2) * kStreet + jitter(random),
               centre.y + (r - kTownSide / 2) * kStreet + jitter(random)});
  for (int r = 0; r < kTownSide; ++r) {
    for (int c = 0; c < kTownSide; ++c) {
      const int32_t at = first + r * kTownSide + c;
      // Streets along the edges always stay, so that the town hangs together.
      if (c + 1 < kTownSide && (r == 0 || keep(random) > 0)) net.roads.push_back({at, at + 1});
      if (r + 1 < kTownSide && (c == 0 || keep(random) > 0)) net.roads.push_back({at, at + kTownSide});
    }
  }
  return first + (kTownSide / 2) * kTownSide + kTownSide / 2;
}

// A winding country road from junction a to junction b: a chain of points
// every 100 to 150 units, wandering off the straight line and back.
void AddCountryRoad(Network& net, int32_t a, int32_t b, std::mt19937& random) {
  const Position from = net.points[a], to = net.points[b];
  const double length = std::hypot(to.x - from.x, to.y - from.y);
  const int steps = std::max(2, static_cast<int>(length / 125));
  std::uniform_real_distribution<double> wander(-0.4, 0.4);
  const double nx = -(to.y - from.y) / length, ny = (to.x - from.x) / length;
  double offset = 0;
  int32_t last = a;
  for (int i = 1; i < steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    offset = offset * 0.95 + wander(random) * 150;  // drifts, and is pulled back
    const double bend = offset * std::sin(t * M_PI);
    const int32_t next =
        net.Add({from.x + t * (to.x - from.x) + nx * bend, from.y + t * (to.y - from.y) + ny * bend});
    net.roads.push_back({last, next});
    last = next;
  }
  net.roads.push_back({last, b});
}

}  // namespace

void MakeRoadLikeMap() {
  std::mt19937 random(1979);
  std::uniform_real_distribution<double> place(0, kCounty);
  Network net;
  std::vector<int32_t> centres;
  for (int t = 0; t < kTowns; ++t) centres.push_back(AddTown(net, {place(random), place(random)}, random));
  std::set<std::pair<int32_t, int32_t>> joined;
  for (int t = 0; t < kTowns; ++t) {
    std::vector<std::pair<double, int>> byDistance;
    for (int u = 0; u < kTowns; ++u) {
      if (u == t) continue;
      const Position a = net.points[centres[t]], b = net.points[centres[u]];
      byDistance.push_back({std::hypot(a.x - b.x, a.y - b.y), u});
    }
    std::sort(byDistance.begin(), byDistance.end());
    for (int k = 0; k < kRoadsPerTown; ++k) {
      const int u = byDistance[k].second;
      if (joined.insert(std::minmax(t, u)).second) AddCountryRoad(net, centres[t], centres[u], random);
    }
  }

  ClearMapAndRoute();
  pointCount = static_cast<int32_t>(net.points.size());
  points.SetLength(pointCount);
  for (int32_t i = 0; i < pointCount; ++i) {
    points[i].X = static_cast<int32_t>(net.points[i].x);
    points[i].Y = static_cast<int32_t>(net.points[i].y);
    points[i].Code = i + 1;
  }
  std::uniform_real_distribution<double> bendiness(1.0, 1.15);
  segmentCount = static_cast<int32_t>(net.roads.size());
  segments.SetLength(segmentCount);
  for (int32_t j = 0; j < segmentCount; ++j) {
    const auto [a, b] = net.roads[j];
    segments[j].From = a + 1;
    segments[j].To = b + 1;
    const Position pa = net.points[a], pb = net.points[b];
    segments[j].Length = static_cast<int32_t>(std::hypot(pa.x - pb.x, pa.y - pb.y) * bendiness(random));
  }
  BuildRoadGraph();
}
