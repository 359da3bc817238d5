#include "tests/turn_maps.h"

#include "map/map_files.h"

namespace {

int32_t Pick(std::mt19937& random, int32_t lo, int32_t hi) {
  return std::uniform_int_distribution<int32_t>(lo, hi)(random);
}

bool OneIn(std::mt19937& random, int32_t n) { return Pick(random, 1, n) == 1; }

// Adds a road from junction a to junction b (codes) with a bent line
// between them, so that a loop and parallel roads are lines of their own.
void AddRoad(TurnMap& map, std::mt19937& random, int32_t a, int32_t b) {
  RoadSegment road;
  road.from = a;
  road.to = b;
  road.oneway = static_cast<int8_t>(map.columns.oneway && OneIn(random, 4) ? (OneIn(random, 2) ? 1 : -1) : 0);
  road.length = OneIn(random, 10) ? 0 : Pick(random, 1, 20);
  road.duration = map.columns.duration ? Pick(random, 0, 30) : 0;
  road.firstVertex = map.network.vertices.size();
  const MapPosition from = map.network.junctions[static_cast<size_t>(a) - 1];
  const MapPosition to = map.network.junctions[static_cast<size_t>(b) - 1];
  map.network.vertices.push_back(from);
  map.network.vertices.push_back({(from.x + to.x) / 2 + Pick(random, -9, 9), (from.y + to.y) / 2 + 10});
  map.network.vertices.push_back(to);
  map.network.segments.push_back(road);
}

// A segment meeting junction at (which one must), chosen at random, seven
// times in eight among those that may be driven away from it.
int32_t SegmentFrom(const TurnMap& map, std::mt19937& random, int32_t at) {
  std::vector<int32_t> meeting, drivable;
  for (size_t s = 0; s < map.network.segments.size(); ++s) {
    const RoadSegment& road = map.network.segments[s];
    if (road.from != at && road.to != at) continue;
    meeting.push_back(static_cast<int32_t>(s));
    if ((road.from == at && road.oneway != -1) || (road.to == at && road.oneway != 1))
      drivable.push_back(static_cast<int32_t>(s));
  }
  const std::vector<int32_t>& pool = drivable.empty() || OneIn(random, 8) ? meeting : drivable;
  return pool[static_cast<size_t>(Pick(random, 0, static_cast<int32_t>(pool.size()) - 1))];
}

// A valid row: from at random, driven to the end its one-way value allows
// (either end of a two-way road), then zero to two ways and to, each
// leaving the junction the segment before it reached.
RestrictionRow RandomRow(const TurnMap& map, std::mt19937& random) {
  RestrictionRow row;
  row.only = OneIn(random, 3);
  row.from = Pick(random, 0, static_cast<int32_t>(map.network.segments.size()) - 1);
  const RoadSegment& from = map.network.segments[static_cast<size_t>(row.from)];
  row.via = from.oneway == -1 || (from.oneway == 0 && OneIn(random, 2)) ? from.from : from.to;
  int32_t at = row.via, last = row.from;
  for (int32_t k = OneIn(random, 2) ? 0 : Pick(random, 1, 2); k > 0; --k) {
    last = SegmentFrom(map, random, at);
    row.ways.push_back(last);
    const RoadSegment& way = map.network.segments[static_cast<size_t>(last)];
    at = way.from == at ? way.to : way.from;
  }
  row.to = SegmentFrom(map, random, at);
  row.rule = row.only ? "only_straight_on" : row.to == last ? "no_u_turn" : "no_left_turn";
  return row;
}

}  // namespace

TurnMap RandomTurnMap(std::mt19937& random) {
  TurnMap map;
  map.columns.oneway = !OneIn(random, 4);
  map.columns.duration = !OneIn(random, 4);
  const int32_t n = Pick(random, 5, 30);
  for (int32_t i = 0; i < n; ++i)
    map.network.junctions.push_back({i % 6 * 100 + Pick(random, 0, 60), i / 6 * 100 + Pick(random, 0, 60)});
  for (int32_t c = 2; c <= n; ++c) AddRoad(map, random, Pick(random, 1, c - 1), c);
  for (int32_t k = Pick(random, 0, n); k > 0; --k) {
    if (OneIn(random, 8)) {  // parallel to a road of the tree
      const RoadSegment earlier = map.network.segments[static_cast<size_t>(Pick(random, 0, n - 2))];
      AddRoad(map, random, earlier.from, earlier.to);
    } else {
      const int32_t a = Pick(random, 1, n);
      AddRoad(map, random, a, OneIn(random, 8) ? a : Pick(random, 1, n));
    }
  }
  for (int32_t k = Pick(random, 0, n / 3 + 2); k > 0; --k) map.rows.push_back(RandomRow(map, random));
  return map;
}

std::string WriteTurnMap(const TurnMap& map, const TempDir& dir) {
  const std::string mif = dir / "Mturns.mif";
  WriteMapFiles(map.network, map.rows, "NonEarth Units \"m\"", map.columns,
                LayerFileNames(mif).WithRestrictions());
  return mif;
}

TurnRoads RoadsOf(const TurnMap& map, bool byDuration) {
  TurnRoads roads;
  for (const RoadSegment& s : map.network.segments)
    roads.push_back({s.from, s.to, byDuration ? s.duration : s.length, s.oneway});
  return roads;
}

TurnRestrictions RestrictionsOf(const TurnMap& map) {
  TurnRestrictions restrictions;
  for (const RestrictionRow& row : map.rows)
    restrictions.rows.push_back({row.only, row.from, row.to, row.via, row.ways});
  return restrictions;
}
