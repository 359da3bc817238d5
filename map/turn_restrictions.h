#pragma once

#include <cstdint>
#include <vector>

// A turn restriction of a map's T layer, between its segments (indices into
// the segment table) and at its junctions (codes). A `no` row forbids a
// route to drive from, each of ways, then to, one right after another; an
// `only` row forbids a route that has driven from and each of ways to leave
// by any segment but to. from ends at via; ways, when any, run on from via
// in travel order, each starting where the one before it ends; to starts
// where the last of them (or from) ends.
struct TurnRestriction {
  bool only = false;
  int32_t from = 0, to = 0;
  int32_t via = 0;
  std::vector<int32_t> ways;
};

// The turn restrictions of a map, in the order of its T layer's rows: none
// for a map without a T layer (or with an empty one), whose routes are then
// exactly those of the road graph.
struct TurnRestrictions {
  std::vector<TurnRestriction> rows;
};
