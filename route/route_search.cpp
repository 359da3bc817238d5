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

// Passes from the seeded start until the frontier is empty or the target's
// distance is no more than the smallest distance of the last pass.
void RunPasses(int32_t target) {
  int32_t frontierCount = 1;
  for (int32_t pass = 1; pass <= nodeCount; ++pass) {
    int32_t nextCount = 0;
    const int32_t passMin = RunPass(pass, frontierCount, nextCount);
    frontierCount = nextCount;
    std::copy(nextFrontier, nextFrontier + nextCount, frontier);
    if (frontierCount == 0 || bestDistance[target] <= passMin) return;
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

// Marks the routeCount points in frontier and the segment by which each but
// the start was reached. A segment index beyond the flag array cannot be
// marked and is left out.
void MarkRoute(int32_t routeCount) {
  for (int32_t i = 0; i < routeCount; ++i) pointOnRoute[frontier[i] - 1] = 1;
  for (int32_t i = 0; i < routeCount - 1; ++i) {
    const int32_t segment = prevSegment[frontier[i]];
    if (segment >= 0 && segment < GRAPH_CAPACITY) segmentOnRoute[segment] = 1;
  }
}

}  // namespace

void ClearRouteMarks() {
  std::memset(pointOnRoute, 0, sizeof pointOnRoute);
  std::memset(segmentOnRoute, 0, sizeof segmentOnRoute);
}

int32_t FindRoute(int32_t startCode, int32_t targetCode) {
  ResetSearch();
  const bool searchable = IsNodeCode(startCode) && IsNodeCode(targetCode);
  if (searchable) SeedSearch(startCode);
  const int64_t t0 = QueryPerformanceCounter();
  if (searchable) RunPasses(targetCode);
  const int64_t t1 = QueryPerformanceCounter();
  fMain->EditTime->SetText(IntToStr(t1 - t0));

  const int32_t routeCount = searchable ? WalkBack(startCode, targetCode) : ROUTE_NOT_FOUND;
  ClearRouteMarks();
  if (routeCount == ROUTE_NOT_FOUND) return ROUTE_NOT_FOUND;
  MarkRoute(routeCount);
  return routeCount;
}
