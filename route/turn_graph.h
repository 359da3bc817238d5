#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "map/road_graph.h"
#include "map/turn_restrictions.h"
#include "route/directed_graph.h"
#include "route/route_path.h"

// The road graph of a map with turn restrictions, expanded so that a
// search of shortest paths, run on it unchanged, finds routes that break
// no restriction and make no U-turn but at a dead end.
//
// Its points: each junction code c (1..n) itself; then, for each junction
// that is expanded, a point where routes to it end, and one state per
// road-graph entry into it, "having just driven that entry"; then one state
// per prefix of a row through ways longer than its From, "having just
// driven these entries". An expanded junction's own point only starts
// routes: it leads to where its entries lead. A state leads, by its
// entry's weight and segment, to where the turns allowed after it lead, and
// to its junction's end by an entry of weight 0 and segment -1. A turn is
// not allowed when it leaves by the segment just driven while another
// segment leaves that junction (a U-turn away from a dead end), when it
// drives the To of a `no` row whose From and Ways were just driven, or
// when it drives another than the To of such an `only` row. A state stands
// for the longest prefix of a row that the walk has just driven, so that
// rows through ways are checked whole. An entry into a junction that is not
// expanded leads to its point, which routes start from, end at and pass.
//
// Expanded everywhere, every walk is a legal route and every legal route a
// walk of the same weight. Expanded only around the rows, the graph is
// little larger than the road graph and its walks break no row, but one may
// make a U-turn away from a dead end at a junction not expanded
// (HasUTurnAwayFromDeadEnd tells): its least weight is then a bound, not a
// route.
class TurnGraph {
 public:
  // How far the graph is expanded: every junction, or the rows' junctions
  // and so many rings of junctions around them (joined to the ring inside by
  // an entry either way). Two rings let through a U-turn away from a dead
  // end only where a route passes two junctions twice in a row, rarely the
  // lightest way round a forbidden turn.
  static constexpr int kEverywhere = -1;
  static constexpr int kAroundRows = 2;

  TurnGraph() = default;

  // Expands road (the road graph's entries, their segments indexing the
  // segment table) by the restrictions, whose rows must join up (from ends
  // at via, each of ways starts where the one before ended, to at the last
  // junction), as the loader guarantees. A row whose From or Ways cannot be
  // driven in its direction restricts nothing, nor does a `no` row whose To
  // cannot; an `only` row whose To cannot be driven forbids every turn
  // after it. The expanded graph keeps road's generation and weights.
  TurnGraph(const DirectedGraph& road, const TurnRestrictions& restrictions, int rings = kAroundRows);

  const DirectedGraph& Graph() const { return graph_; }
  // Records the road graph's generation it stands for: that of the road
  // graph it was built from once that is installed.
  void Restamp(uint32_t generation) { graph_.generation = generation; }
  int32_t JunctionCount() const { return junctions_; }

  // The point where a route from junction code starts, and where one to it
  // ends.
  int32_t StartOf(int32_t code) const { return code; }
  int32_t EndOf(int32_t code) const;

  // The junction code of a point.
  int32_t JunctionOf(int32_t point) const;

  // A state independent of how far the graph is expanded: the last entry
  // driven (its index + 1), or a prefix of a row (minus its number + 1); 0
  // for none. The point of a state (for an entry into a junction not
  // expanded, that junction's point), and the state a walk that ends at
  // the point before an end is in (0 for a junction's own point).
  int32_t PointOfState(int32_t state) const;
  int32_t StateOfPoint(int32_t point) const;
  // The state of having arrived at junction code by segment, 0 when no
  // entry drives it there; and the segment last driven in a state.
  int32_t StateOfArrival(int32_t code, int32_t segment) const;
  int32_t SegmentOfState(int32_t state) const;

  // The same restrictions over the same road graph, expanded everywhere.
  TurnGraph Everywhere(const DirectedGraph& road) const {
    return TurnGraph(road, restrictions_, kEverywhere);
  }

  // The route a walk from a start or state to an end stands for: its
  // junction codes (a junction once for its start or state, then once per
  // point passed) and the segments between them.
  RoutePath RouteOf(const std::vector<int32_t>& points, const std::vector<int32_t>& segments) const;

  // Whether the route, having arrived at its first junction by segment
  // arrivedBy (-1 for a route that starts there), leaves a junction by the
  // segment it arrived by where another segment leaves it.
  bool HasUTurnAwayFromDeadEnd(const RoutePath& route, int32_t arrivedBy) const;

 private:
  // Makes room for every list of the graph, so that it never holds twice
  // its size while it is built.
  void ReserveLists(const DirectedGraph& road, const std::vector<std::vector<int32_t>>& prefixes);

  TurnRestrictions restrictions_;
  int32_t junctions_ = 0;
  std::vector<int32_t> pointJunction_;  // the junction of each point past the junctions'
  std::vector<int32_t> pointState_;     // the state of each point past the junctions' (0 for an end)
  std::vector<int32_t> endOf_;          // the end point of each expanded junction, by code; 0 for the others
  std::vector<int32_t> entryState_;     // the state point of each entry into an expanded junction, else 0
  std::vector<int32_t> entryHead_;      // the junction each entry leads to
  std::vector<int32_t> entrySegment_;   // the segment of each entry
  std::vector<int32_t> prefixLast_;     // the last entry of each prefix state
  int32_t firstPrefix_ = 0;             // the point of the first prefix state
  std::vector<int32_t> soleSegment_;  // by code: the one segment leaving a junction, -1 for none, -2 for more
  std::vector<std::pair<int32_t, int32_t>> segmentEntries_;  // each segment's entries, -1 for none
  DirectedGraph graph_;
};

// The turn graph of a road graph built aside, by restrictions (expanded
// around the rows), weighed as graphWeighsDurations says; nullptr for a map
// without restrictions. For a worker: reads only its arguments and that
// flag. Restamp it once the road graph is installed.
std::shared_ptr<TurnGraph> TurnsOf(const RoadGraph& graph, const TurnRestrictions& restrictions);
// The same for a road graph's copy.
std::shared_ptr<TurnGraph> TurnsOf(const DirectedGraph& road, const TurnRestrictions& restrictions);
