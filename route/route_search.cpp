#include "route/route_search.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "app/main_form.h"
#include "toolkit/controls.h"
#include "toolkit/performance_counter.h"
#include "toolkit/text.h"

int32_t bestDistance[GRAPH_CAPACITY];
int32_t prevNode[GRAPH_CAPACITY];
int32_t prevSegment[GRAPH_CAPACITY];
int32_t passSeen[GRAPH_CAPACITY];
int32_t frontier[GRAPH_CAPACITY];
int32_t nextFrontier[GRAPH_CAPACITY];
int32_t segmentOnRoute[GRAPH_CAPACITY];
int32_t pointOnRoute[GRAPH_CAPACITY];

namespace {

constexpr int32_t kUnreached = std::numeric_limits<int32_t>::max();

bool IsNodeCode(int32_t code) { return code >= 1 && code <= nodeCount; }

// Codes 0..nodeCount: unreached, no predecessor, never seen in a pass.
void ResetSearch() {
  std::fill(bestDistance, bestDistance + nodeCount + 1, kUnreached);
  std::memset(prevNode, 0, sizeof(int32_t) * (nodeCount + 1));
  std::memset(passSeen, 0, sizeof(int32_t) * (nodeCount + 1));
}

// Relaxes every entry of every frontier point, in frontier order, each with
// the point's distance as it stands when the entry is taken. Fills
// nextFrontier with the points improved, once each, in the order of their
// first improvement; returns the smallest distance assigned.
int32_t RunPass(int32_t pass, int32_t frontierCount, int32_t& nextCount) {
  int32_t passMin = kUnreached;
  nextCount = 0;
  for (int32_t i = 0; i < frontierCount; ++i) {
    const int32_t u = frontier[i];
    for (int32_t e = nodeStart[u - 1]; e < nodeStart[u]; ++e) {
      const int32_t v = adjNode[e];
      if (!IsNodeCode(v)) continue;
      const int64_t candidate = int64_t{bestDistance[u]} + adjLength[e];
      if (candidate >= bestDistance[v] || candidate < std::numeric_limits<int32_t>::min()) continue;
      bestDistance[v] = static_cast<int32_t>(candidate);
      prevSegment[v] = adjSegment[e];
      prevNode[v] = u;
      passMin = std::min(passMin, bestDistance[v]);
      if (passSeen[v] < pass) {
        nextFrontier[nextCount++] = v;
        passSeen[v] = pass;
      }
    }
  }
  return passMin;
}

// The start at distance 0, its own predecessor, alone in the frontier.
void SeedSearch(int32_t start) {
  bestDistance[start] = 0;
  prevNode[start] = start;
  prevSegment[start] = 0;
  frontier[0] = start;
}

// Where the passes from a start stand: passes run, the smallest distance
// the last one assigned, and the size of the frontier it left (in
// frontier, and, as copied from there, in nextFrontier).
struct PassState {
  int32_t passes = 0;
  int32_t passMin = kUnreached;
  int32_t frontierCount = 1;  // the seeded start

  // Whether the route to target is final: the stopping test held after some
  // pass run so far. passMin never falls and no distance rises from pass to
  // pass, so once the test holds it holds after every later pass.
  bool Settles(int32_t target) const {
    return passes > 0 && (frontierCount == 0 || bestDistance[target] <= passMin);
  }
};

// Runs further passes over the frontier until the target's distance is no
// more than the smallest distance of the last pass, or the frontier is
// empty, or nodeCount passes have run.
void RunPasses(PassState& state, int32_t target) {
  while (state.passes < nodeCount) {
    int32_t nextCount = 0;
    const int32_t passMin = RunPass(state.passes + 1, state.frontierCount, nextCount);
    state = {state.passes + 1, passMin, nextCount};
    std::copy(nextFrontier, nextFrontier + nextCount, frontier);
    if (state.Settles(target)) return;
  }
}

// Writes the route into frontier, target first, by following prevNode back
// to the start; returns its number of points, or ROUTE_NOT_FOUND when the
// start is not reached within ROUTE_NOT_FOUND entries. A target never
// reached gives ROUTE_NOT_FOUND at once, as the walk would end there.
int32_t WalkBack(int32_t start, int32_t target) {
  if (bestDistance[target] == kUnreached) return ROUTE_NOT_FOUND;
  frontier[0] = target;
  int32_t routeCount = 1;
  while (frontier[routeCount - 1] != start && routeCount < ROUTE_NOT_FOUND) {
    frontier[routeCount] = prevNode[frontier[routeCount - 1]];
    ++routeCount;
  }
  return routeCount;
}

// Sets the route flags of the routeCount points in frontier and of the
// segment by which each but the start was reached to value. A segment
// index beyond the flag array has no flag and is left out.
void FlagRoute(int32_t routeCount, int32_t value) {
  for (int32_t i = 0; i < routeCount; ++i) pointOnRoute[frontier[i] - 1] = value;
  for (int32_t i = 0; i < routeCount - 1; ++i) {
    const int32_t segment = prevSegment[frontier[i]];
    if (segment >= 0 && segment < GRAPH_CAPACITY) segmentOnRoute[segment] = value;
  }
}

// The search kept from the last call: its start, the graph it ran on and
// where its passes stand; and the route that call marked, still in
// frontier and prevSegment, so that it can be unmarked without clearing
// both flag arrays.
struct KeptSearch {
  bool valid = false;
  int32_t start = 0;
  uint32_t generation = 0;
  PassState passes;
  int32_t markedCount = 0;  // points of the marked route; 0 for none
};
KeptSearch kept;

// Whether no adjacency entry has a negative length, for the graph of this
// generation; a negative length makes passes improve points without end,
// which a kept search cannot rely on.
bool LengthsAreNonNegative() {
  static uint32_t checkedGeneration = 0;
  static bool nonNegative = false;
  if (checkedGeneration != graphGeneration || checkedGeneration == 0) {
    nonNegative = std::all_of(adjLength, adjLength + adjCount, [](int32_t length) { return length >= 0; });
    checkedGeneration = graphGeneration;
  }
  return nonNegative;
}

// Shows the counter ticks from t0 to now in the Time box.
void ShowTicks(int64_t t0) { fMain->EditTime->SetText(IntToStr(QueryPerformanceCounter() - t0)); }

}  // namespace

void ClearRouteMarks() {
  std::memset(pointOnRoute, 0, sizeof pointOnRoute);
  std::memset(segmentOnRoute, 0, sizeof segmentOnRoute);
  kept.markedCount = 0;
}

int32_t FindRouteDirect(int32_t startCode, int32_t targetCode) {
  kept.valid = false;
  ResetSearch();
  const bool searchable = IsNodeCode(startCode) && IsNodeCode(targetCode);
  if (searchable) SeedSearch(startCode);
  const int64_t t0 = QueryPerformanceCounter();
  if (searchable) {
    PassState state;
    RunPasses(state, targetCode);
  }
  ShowTicks(t0);

  const int32_t routeCount = searchable ? WalkBack(startCode, targetCode) : ROUTE_NOT_FOUND;
  ClearRouteMarks();
  if (routeCount == ROUTE_NOT_FOUND) return ROUTE_NOT_FOUND;
  FlagRoute(routeCount, 1);
  return routeCount;
}

int32_t FindRoute(int32_t startCode, int32_t targetCode) {
  if (!IsNodeCode(startCode) || !IsNodeCode(targetCode) || !LengthsAreNonNegative())
    return FindRouteDirect(startCode, targetCode);
  if (kept.valid && kept.start == startCode && kept.generation == graphGeneration) {
    FlagRoute(kept.markedCount, 0);  // the last route, before the passes move on
    kept.markedCount = 0;
  } else {
    ResetSearch();
    SeedSearch(startCode);
    ClearRouteMarks();
    kept = {true, startCode, graphGeneration, PassState(), 0};
  }
  const int64_t t0 = QueryPerformanceCounter();
  if (!kept.passes.Settles(targetCode)) {
    // The pass frontier: the start alone, or, as the last walk wrote over
    // frontier, the copy in nextFrontier.
    if (kept.passes.passes > 0) std::copy(nextFrontier, nextFrontier + kept.passes.frontierCount, frontier);
    RunPasses(kept.passes, targetCode);
  }
  ShowTicks(t0);

  const int32_t routeCount = WalkBack(startCode, targetCode);
  if (routeCount == ROUTE_NOT_FOUND) return ROUTE_NOT_FOUND;
  FlagRoute(routeCount, 1);
  kept.markedCount = routeCount;
  return routeCount;
}
