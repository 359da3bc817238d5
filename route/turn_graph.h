#pragma once

#include <cstdint>
#include <vector>

#include "map/turn_restrictions.h"
#include "route/directed_graph.h"
#include "route/route_path.h"

// The road graph of a map with turn restrictions, expanded so that every
// walk in it is a route that breaks no restriction and makes no U-turn but
// at a dead end, and every such route is a walk in it of the same weight:
// a graph any search of shortest paths runs on unchanged.
//
// Its points: for each junction code c (1..n), c itself, where a route
// starts, and n + c, where one ends; then one state per road-graph entry,
// "having just driven that entry"; then one per prefix of a restriction
// through ways longer than its From, "having just driven these entries".
// A start leads to the states of its entries, each state to the states
// of the turns allowed after it (and with the same weight and segment as
// the entry turned into), and to its junction's end by an entry of weight 0
// and segment -1. A turn is not allowed when it leaves by the segment just
// driven while another segment leaves that junction (a U-turn away from a
// dead end), when it drives the To of a `no` row whose From and Ways were
// just driven, or when it drives another than the To of such an `only` row.
// A state stands for the longest prefix of a row that the walk has just
// driven, so that rows through ways are checked whole.
class TurnGraph {
 public:
  TurnGraph() = default;

  // Expands road (the road graph's entries, their segments indexing the
  // segment table) by the restrictions, whose rows must join up (from ends
  // at via, each of ways starts where the one before ended, to at the last
  // junction), as the loader guarantees: a row some of whose segments cannot
  // be driven in its direction restricts nothing. The expanded graph keeps
  // road's generation and weights.
  TurnGraph(const DirectedGraph& road, const TurnRestrictions& restrictions);

  const DirectedGraph& Graph() const { return graph_; }
  int32_t JunctionCount() const { return junctions_; }

  // The point where a route from junction code starts, and where one to it
  // ends.
  int32_t StartOf(int32_t code) const { return code; }
  int32_t EndOf(int32_t code) const { return junctions_ + code; }

  // The junction code of a point of the expanded graph.
  int32_t JunctionOf(int32_t point) const;

  // The route a walk of the expanded graph from a start or state to an end
  // stands for: its junction codes (a junction once for its start or state,
  // then once per state passed) and the segments between them. A walk that
  // starts at a state starts at that state's junction.
  RoutePath RouteOf(const std::vector<int32_t>& points, const std::vector<int32_t>& segments) const;

 private:
  int32_t junctions_ = 0;
  int32_t firstState_ = 0;           // the first state's point: 2n + 1
  std::vector<int32_t> entryHead_;   // the junction each road-graph entry leads to
  std::vector<int32_t> prefixHead_;  // the junction of each state past the entries'
  DirectedGraph graph_;
};
