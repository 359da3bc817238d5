#include "route/via_route.h"

#include <utility>

#include "map/road_graph.h"
#include "route/route_search.h"

namespace {

// Appends leg to route; the leg's first point is the route's last.
void Join(RoutePath& route, const RoutePath& leg) {
  route.codes.insert(route.codes.end(), leg.codes.begin() + (route.codes.empty() ? 0 : 1), leg.codes.end());
  route.segments.insert(route.segments.end(), leg.segments.begin(), leg.segments.end());
}

}  // namespace

int32_t ViaRoute::FindRouteLeg(int32_t startCode, int32_t targetCode, int32_t& arrival) {
  arrival = 0;
  return FindRoute(startCode, targetCode);
}

void ViaRoute::SetStops(std::vector<int32_t> stops) {
  FlagRoute(fixed_, 0);  // the next route need not pass them
  fixed_ = {};
  fixedMarked_ = false;
  stops_ = std::move(stops);
  fixedKnown_ = false;
  whole_ = {};
}

void ViaRoute::FindFixedLegs(const LegSearch& search) {
  fixed_ = {};
  fixedReached_ = true;
  fixedArrival_ = 0;
  for (size_t i = 0; i + 1 < stops_.size() && fixedReached_; ++i) {
    fixedReached_ = search(stops_[i], stops_[i + 1], fixedArrival_) != RouteNotFound();
    ticks_ += routeTicks;
    if (fixedReached_) Join(fixed_, LastRoute());
  }
  ClearRouteMarks();  // the legs are marked with the last one, by RouteTo
  fixedMarked_ = false;
  fixedKnown_ = true;
  fixedGeneration_ = graphGeneration;
}

int32_t ViaRoute::RouteTo(int32_t target, const LegSearch& search) {
  ticks_ = 0;
  whole_ = {};
  if (stops_.empty()) return RouteNotFound();
  if (stops_.size() > 1 && (!fixedKnown_ || fixedGeneration_ != graphGeneration)) FindFixedLegs(search);
  if (stops_.size() > 1 && !fixedReached_)
    return RouteNotFound();  // no leg beyond an unreachable one is searched
  int32_t arrival = fixedArrival_;
  const int32_t lastLeg = search(stops_.back(), target, arrival);
  ticks_ += routeTicks;
  const bool reached = lastLeg != RouteNotFound();
  if (stops_.size() > 1 && reached != fixedMarked_) {
    // The fixed legs' marks come or go: cleared in full, so that a picture
    // of the marks repaints more than the last leg; the last leg is then
    // searched again to mark it (a kept search only walks it back).
    ClearRouteMarks();
    fixedMarked_ = reached;
    arrival = fixedArrival_;
    if (reached) search(stops_.back(), target, arrival);
  }
  if (!reached) return RouteNotFound();
  whole_ = fixed_;
  Join(whole_, LastRoute());
  FlagRoute(fixed_, 1);
  return static_cast<int32_t>(whole_.codes.size());
}
