#pragma once

#include <cstdint>
#include <vector>

#include "map/turn_restrictions.h"

// A segment as a route drives it: its end junctions' codes, what driving it
// weighs, and which way it may be driven (0 both; 1 only from `from` to
// `to`; -1 only the other way).
struct TurnRoad {
  int32_t from = 0, to = 0;
  int64_t weight = 0;
  int8_t oneway = 0;

  bool operator==(const TurnRoad& o) const {
    return from == o.from && to == o.to && weight == o.weight && oneway == o.oneway;
  }
};
using TurnRoads = std::vector<TurnRoad>;  // by segment index

// The map store's segments as routes drive them, weighed by their durations
// when byDuration (the map must have the Duration column), else by their
// lengths; every one two-way on a map without the Oneway column.
TurnRoads RoadsOfStore(bool byDuration);

// A walk over the segments: codes[0] the start, codes.back() the end, and
// segments[i] driven from codes[i] to codes[i + 1]. found is false, and the
// rest empty, when there is no route.
struct TurnRoute {
  bool found = false;
  int64_t weight = 0;
  std::vector<int32_t> codes;
  std::vector<int32_t> segments;
};

// Whether the route is found and a walk of roads: one more code than
// segments, each segment joining its two codes in a direction its one-way
// value allows, and weight the sum of the segments' weights.
bool IsDrivableWalk(const TurnRoute& route, const TurnRoads& roads);

// Whether the walk breaks a row: drives a `no` row's from (arriving at its
// via), each of its ways and its to one right after another, or drives an
// `only` row's from (arriving at via) and each of its ways, then leaves by
// a segment other than its to. A walk that starts or ends at a via breaks
// nothing there. The codes tell which way each segment was driven.
bool BreaksARow(const TurnRoute& route, const TurnRestrictions& restrictions);

// Whether the walk leaves a junction by the segment it just arrived by
// (a U-turn; a loop driven twice in a row is one) where another segment
// may be driven away from that junction: a U-turn is allowed only at a dead
// end.
bool HasForbiddenUTurn(const TurnRoute& route, const TurnRoads& roads);

// The route of least weight from start to target (codes) that is a drivable
// walk, breaks no row and makes no forbidden U-turn; it may pass a junction
// or a segment more than once. start == target gives the empty route of
// weight 0; found is false when no walk qualifies. A Dijkstra search over
// (junction, the segments last driven) that checks every row and the U-turn
// rule at each step, written to be read rather than to be fast: for maps of
// a few dozen segments. Weights must be 0 or more.
TurnRoute ReferenceTurnRoute(const TurnRoads& roads, const TurnRestrictions& restrictions, int32_t start,
                             int32_t target);
