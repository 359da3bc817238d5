#pragma once

// A route through chosen points on the way: from a start through vias, in
// order, to a target, each leg a shortest route.

#include <cstdint>
#include <functional>
#include <vector>

#include "route/route_path.h"
#include "route/route_search.h"

class ViaRoute {
 public:
  // A search with FindRoute's contract: the route between two codes, its
  // result, marks, ticks and RouteCodes and RouteSegments; arrival as
  // FastRoutes::FindLeg takes and gives it (the way a leg arrived, which the
  // next goes on from), 0 for searches that have none.
  using LegSearch = std::function<int32_t(int32_t startCode, int32_t targetCode, int32_t& arrival)>;

  // FindRoute as a LegSearch.
  static int32_t FindRouteLeg(int32_t startCode, int32_t targetCode, int32_t& arrival);

  // The start, then the vias in order. The legs between them are searched
  // by the next RouteTo; the marks of the earlier stops' legs are taken
  // away, and the route found through them is forgotten.
  void SetStops(std::vector<int32_t> stops);
  const std::vector<int32_t>& Stops() const { return stops_; }

  // Finds the route from the first stop through the others to target, each
  // leg the route search finds between its ends (FindRoute unless given),
  // going on from the way the leg before it arrived. The legs between the
  // stops are searched only when the stops or the road graph changed since
  // they were found, so that calls with the same stops run one search each,
  // the last leg's, going on from the one before as FindRoute does. Returns
  // the whole route's number of points (a stop counted once) or
  // RouteNotFound() when a leg cannot be reached or there are no stops.
  // Leaves the whole route marked in the route flags, and nothing when it
  // was not found; whenever the marks of the legs between the stops change,
  // all marks are cleared first. With the start alone it is
  // search(start, target).
  int32_t RouteTo(int32_t target, const LegSearch& search = FindRouteLeg);

  // The whole route the last RouteTo found; empty when none was, or the
  // stops changed since.
  const RoutePath& Route() const { return whole_; }

  // The counter ticks the searches of the last RouteTo spent.
  int64_t Ticks() const { return ticks_; }

 private:
  // Searches the legs between the stops into fixed_.
  void FindFixedLegs(const LegSearch& search);

  std::vector<int32_t> stops_;
  RoutePath fixed_;  // the legs between the stops, joined
  bool fixedReached_ = false;
  int32_t fixedArrival_ = 0;  // the way the legs between the stops arrived at the last
  bool fixedMarked_ = false;  // whether the route flags hold fixed_
  bool fixedKnown_ = false;
  uint32_t fixedGeneration_ = 0;
  RoutePath whole_;
  int64_t ticks_ = 0;
};
