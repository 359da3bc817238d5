#pragma once

#include <random>
#include <string>
#include <vector>

#include "import/map_files.h"
#include "tests/test_files.h"
#include "tests/turn_reference.h"

// A small road map with turn restrictions, as an import writes one:
// junction c at network.junctions[c - 1], the optional S layer columns it
// has in columns (never Class), and the T layer's rows.
struct TurnMap {
  RoadNetwork network;
  TravelColumns columns;
  std::vector<RestrictionRow> rows;
};

// An irregular map of 5 to 30 junctions: a random tree (its leaves dead
// ends) with more roads across it, now and then a loop or a road parallel
// to an earlier one, each road two-way or (with the Oneway column) one-way,
// of length 0 to 20 and (with the Duration column) duration 0 to 30 drawn
// apart. Up to a dozen rows, `no` and `only`, half through a via junction
// and half through one or two ways, each valid: from ends at via, the ways
// run on from there each where the one before ends, and to leaves the last
// junction. They mostly follow roads in a direction they may be driven, and
// a `no` row's to may be the segment it turns back along. The same random
// state gives the same map.
TurnMap RandomTurnMap(std::mt19937& random);

// Writes the map as the files Mturns.mif/.mid, Sturns.mif/.mid and, with
// rows, Tturns.mif/.mid in dir, as an import writes them; returns the path
// of Mturns.mif.
std::string WriteTurnMap(const TurnMap& map, const TempDir& dir);

// The map's roads as RoadsOfStore gives them once it is loaded, and its
// rows as the T layer's loader gives them.
TurnRoads RoadsOf(const TurnMap& map, bool byDuration);
TurnRestrictions RestrictionsOf(const TurnMap& map);
