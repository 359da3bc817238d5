#include "route/route_search.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <string>

#include "map/grow_only.h"
#include "map/map_store.h"
#include "route/search_steps.h"
#include "toolkit/exceptions.h"
#include "toolkit/performance_counter.h"

std::vector<int32_t> bestDistance = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> prevNode = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> prevSegment = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> passSeen = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> frontier = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> nextFrontier = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> segmentOnRoute = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> pointOnRoute = MappedArray<int32_t>(GRAPH_CAPACITY);
int64_t routeTicks = 0;

void ResetSearch() {
  const size_t codes = static_cast<size_t>(nodeCount) + 1;
  std::fill(bestDistance.begin(), bestDistance.begin() + codes, kUnreached);
  std::fill(prevNode.begin(), prevNode.begin() + codes, 0);
  std::fill(passSeen.begin(), passSeen.begin() + codes, 0);
}

void SeedSearch(int32_t start) {
  bestDistance[start] = 0;
  prevNode[start] = start;
  prevSegment[start] = 0;
}

namespace {

// The points of the route last marked, target first, in frontier; 0 for
// none. Each but the start was reached over its prevSegment, unless
// MarkFoundRoute marked it.
int32_t markedCount = 0;

// The segments of the route MarkFoundRoute marked, from the start, while
// that route is the last marked: a walk may pass a point twice, which
// prevSegment, by point, cannot tell.
struct MarkedWalk {
  bool active = false;
  std::vector<int32_t> segments;
};
MarkedWalk markedWalk;

// The segment by which the route last marked reached its i-th point from
// the target (0 the target, markedCount - 1 the start).
int32_t MarkedSegment(int32_t i) {
  return markedWalk.active ? markedWalk.segments[static_cast<size_t>(markedCount - 2 - i)]
                           : prevSegment[frontier[i]];
}

// How far into the route flag arrays a flag was set since they were last
// cleared (FlagPoint and FlagSegment set every flag): every flag at or
// beyond these ends is 0, so that clearing the flags stops there.
struct FlagEnds {
  size_t points = 0;
  size_t segments = 0;
};
FlagEnds flagEnds;

// The searches FindRoute chooses between: the passes for a graph within
// the capacity they were made for, Dijkstra beyond.
struct Search {
  void (*start)(int32_t start);
  void (*advance)(int32_t target);
};
constexpr Search kPasses = {StartPasses, AdvancePasses};
constexpr Search kHeap = {StartHeap, AdvanceHeap};

const Search& SearchForGraph() { return GraphFitsPasses() ? kPasses : kHeap; }

// Writes the route into frontier, target first, by following prevNode back
// to the start; returns its number of points, or RouteNotFound() when the
// start is not reached within RouteNotFound() entries. A target never
// reached gives RouteNotFound() at once, as the walk would end there.
int32_t WalkBack(int32_t start, int32_t target) {
  const int32_t limit = RouteNotFound();
  if (bestDistance[target] == kUnreached) return limit;
  frontier[0] = target;
  int32_t routeCount = 1;
  while (frontier[routeCount - 1] != start && routeCount < limit) {
    frontier[routeCount] = prevNode[frontier[routeCount - 1]];
    ++routeCount;
  }
  return routeCount;
}

// Sets the route flag of the point with code, and of segment, to value,
// moving flagEnds past them. A code or a segment beyond the flag arrays has
// no flag and is left out.
void FlagPoint(int32_t code, int32_t value) {
  if (code < 1 || static_cast<size_t>(code) > pointOnRoute.size()) return;
  pointOnRoute[code - 1] = value;
  flagEnds.points = std::max(flagEnds.points, static_cast<size_t>(code));
}
void FlagSegment(int32_t segment, int32_t value) {
  if (segment < 0 || static_cast<size_t>(segment) >= segmentOnRoute.size()) return;
  segmentOnRoute[segment] = value;
  flagEnds.segments = std::max(flagEnds.segments, static_cast<size_t>(segment) + 1);
}

// Sets the route flags of the routeCount points in frontier and of the
// segment by which each but the start was reached to value.
void FlagFrontier(int32_t routeCount, int32_t value) {
  for (int32_t i = 0; i < routeCount; ++i) FlagPoint(frontier[i], value);
  for (int32_t i = 0; i < routeCount - 1; ++i) FlagSegment(MarkedSegment(i), value);
}

// Takes the marks of the route last marked away; it is then none.
void UnmarkLastRoute() {
  FlagFrontier(markedCount, 0);
  markedCount = 0;
  markedWalk.active = false;
}

// Marks the route the walk back found (or MarkFoundRoute set out) and
// returns its result.
int32_t MarkRoute(int32_t routeCount) {
  if (routeCount == RouteNotFound()) return routeCount;
  markedCount = routeCount;
  FlagFrontier(routeCount, 1);
  return routeCount;
}

// Runs advance towards target, recording the ticks it took.
void TimeSearch(const Search& search, int32_t target) {
  const int64_t t0 = QueryPerformanceCounter();
  search.advance(target);
  routeTicks = QueryPerformanceCounter() - t0;
}

// The search kept from the last call: its start and the graph it ran on.
struct KeptSearch {
  bool valid = false;
  int32_t start = 0;
  uint32_t generation = 0;
};
KeptSearch kept;

// Clears both flag arrays as far as a flag was set (flagEnds), so
// that the searches of small maps do not clear the arrays' whole capacity.
void UnflagAll() {
  std::fill(pointOnRoute.begin(), pointOnRoute.begin() + flagEnds.points, 0);
  std::fill(segmentOnRoute.begin(), segmentOnRoute.begin() + flagEnds.segments, 0);
  flagEnds = {};
  markedCount = 0;
  markedWalk.active = false;
}

}  // namespace

void FitSearchArrays() {
  const size_t codes = static_cast<size_t>(nodeCount) + 1;
  try {
    for (std::vector<int32_t>* array : {&bestDistance, &prevNode, &prevSegment, &passSeen, &nextFrontier})
      GrowTo(*array, codes);
    GrowTo(frontier, std::max(codes, static_cast<size_t>(RouteNotFound())));
    GrowTo(pointOnRoute, codes);
    GrowTo(segmentOnRoute, static_cast<size_t>(segmentCount));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory for the route search of " + std::to_string(nodeCount) + " points");
  }
}

PassCapacity& PassSearchCapacity() {
  static PassCapacity capacity;
  return capacity;
}

bool GraphFitsPasses() {
  return nodeCount <= PassSearchCapacity().points && adjCount <= PassSearchCapacity().entries;
}

int32_t MarkFoundRoute(const std::vector<int32_t>& codes, const std::vector<int32_t>& walkSegments) {
  FitSearchArrays();
  kept.valid = false;
  UnmarkLastRoute();  // the last route, as a search from the same start unmarks it
  const int32_t count = static_cast<int32_t>(codes.size());
  if (count == 0) return RouteNotFound();
  for (int32_t i = 0; i < count; ++i) frontier[i] = codes[count - 1 - i];  // target first, as a walk back
  markedWalk.active = true;
  markedWalk.segments = walkSegments;
  return MarkRoute(count);
}

int32_t RouteNotFound() { return std::max(100000, pointCount + 1); }

void ClearRouteMarks() { UnflagAll(); }

void ClearMapAndRoute() {
  ClearMapStore();
  ClearRouteMarks();
}

int32_t FindRouteDirect(int32_t startCode, int32_t targetCode) {
  FitSearchArrays();
  kept.valid = false;
  const Search& search = SearchForGraph();
  const bool searchable = IsCode(startCode, nodeCount) && IsCode(targetCode, nodeCount);
  if (searchable) {
    search.start(startCode);
    TimeSearch(search, targetCode);
  } else {
    ResetSearch();
    routeTicks = 0;
  }
  const int32_t routeCount = searchable ? WalkBack(startCode, targetCode) : RouteNotFound();
  UnflagAll();
  return MarkRoute(routeCount);
}

int32_t FindRoute(int32_t startCode, int32_t targetCode) {
  FitSearchArrays();
  const Search& search = SearchForGraph();
  if (!IsCode(startCode, nodeCount) || !IsCode(targetCode, nodeCount) ||
      (&search == &kPasses && !PassesCanBeKept()))
    return FindRouteDirect(startCode, targetCode);
  if (kept.valid && kept.start == startCode && kept.generation == graphGeneration) {
    UnmarkLastRoute();  // the last route, before the search moves on
  } else {
    search.start(startCode);
    UnflagAll();
    kept = {true, startCode, graphGeneration};
  }
  TimeSearch(search, targetCode);
  return MarkRoute(WalkBack(startCode, targetCode));
}

std::vector<int32_t> RouteCodes() {
  return std::vector<int32_t>(std::make_reverse_iterator(frontier.begin() + markedCount), frontier.rend());
}

std::vector<int32_t> RouteSegments() {
  std::vector<int32_t> route;
  for (int32_t i = markedCount - 2; i >= 0; --i) route.push_back(MarkedSegment(i));
  return route;
}

int64_t RouteLength() { return LengthOf(RouteSegments()); }

int64_t LengthOf(const std::vector<int32_t>& route) {
  int64_t length = 0;
  for (const int32_t segment : route)
    if (segment >= 0 && segment < segmentCount) length += segments[segment].Length;
  return length;
}

void FlagRoute(const RoutePath& route, int32_t value) {
  for (const int32_t code : route.codes) FlagPoint(code, value);
  for (const int32_t segment : route.segments) FlagSegment(segment, value);
}
