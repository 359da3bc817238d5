#pragma once

#include <cstdint>
#include <osmium/osm/location.hpp>
#include <string>
#include <vector>

#include "import/map_limits.h"
#include "import/osm_restrictions.h"
#include "import/road_network.h"
#include "import/road_rules.h"

class Progress;

// How a kept way is travelled, as the map keeps it.
struct WayTraits {
  int32_t name = 0;  // index into the roads' names
  int8_t oneway = 0;
  RoadClass roadClass = RoadClass::kMinor;
  double speed = 0;  // km/h
};

// The roads of an OpenStreetMap file that a profile keeps, as read: no
// more than they need, so that a country's fit in memory.
struct OsmRoads {
  // The nodes the kept ways use, by ascending id, with their locations
  // (undefined for a node the file lacks) and what each does as a barrier.
  std::vector<int64_t> nodeIds;
  std::vector<osmium::Location> locations;
  std::vector<BarrierEffect> barriers;
  // The kept ways in the order of the file: way w's nodes are
  // refs[firstRef[w]] up to refs[firstRef[w + 1]], indices among the nodes,
  // without a node repeated just after itself.
  std::vector<int64_t> wayIds;
  std::vector<size_t> firstRef{0};
  std::vector<uint32_t> refs;
  std::vector<WayTraits> traits;
  RoadNames names;                           // the roads' names, cleaned
  std::vector<OsmRestriction> restrictions;  // for the profile, in the order of the file
  int64_t waysRead = 0, waysLeftOut = 0;
  int64_t barriersPassed = 0, barriersBlocking = 0;  // barrier nodes on kept ways
  RestrictionCounts restrictionCounts;
};

// Reads an OpenStreetMap file (.osm.pbf, .osm, .osm.gz or .osm.bz2) with
// libosmium in two passes, decoding on every core: first the ways, keeping
// those the rules keep (tagged `highway`) with their names under nameKey,
// and the profile's restriction relations; then only the locations and
// barrier tags of the nodes those ways use. Memory grows with the kept
// roads, never with the file's largest id; ids need not be sorted, and may
// be negative. Shows the bytes read on progress, per pass. Raises
// ImportError, naming the file, when it cannot be read, is truncated or
// corrupt, or as soon as the kept ways pass what a map holds.
OsmRoads ReadOsmRoads(const std::string& path, const RoadRules& rules, const std::string& nameKey,
                      const MapLimits& limits, Progress& progress);
