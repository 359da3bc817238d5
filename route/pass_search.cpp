// The passes of edge relaxation: each pass relaxes every entry of every
// point of the frontier, the points improved in the pass before.
#include <algorithm>

#include "route/search_steps.h"

namespace {

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
      const int32_t v = Relax(u, e);
      if (v == 0) continue;
      passMin = std::min(passMin, bestDistance[v]);
      if (passSeen[v] < pass) {
        nextFrontier[nextCount++] = v;
        passSeen[v] = pass;
      }
    }
  }
  return passMin;
}

// Where the passes from a start stand: passes run, the smallest distance
// the last one assigned, and the size of the frontier it left (in
// frontier, and, as copied from there, in nextFrontier, since the walk back
// of a route writes over frontier).
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
PassState state;

}  // namespace

void StartPasses(int32_t start) {
  ResetSearch();
  SeedSearch(start);
  frontier[0] = start;
  state = PassState();
}

// Runs further passes over the frontier until the target's distance is no
// more than the smallest distance of the last pass, or the frontier is
// empty, or nodeCount passes have run.
void AdvancePasses(int32_t target) {
  if (state.Settles(target)) return;
  if (state.passes > 0)
    std::copy(nextFrontier.begin(), nextFrontier.begin() + state.frontierCount, frontier.begin());
  while (state.passes < nodeCount) {
    int32_t nextCount = 0;
    const int32_t passMin = RunPass(state.passes + 1, state.frontierCount, nextCount);
    state = {state.passes + 1, passMin, nextCount};
    std::copy(nextFrontier.begin(), nextFrontier.begin() + nextCount, frontier.begin());
    if (state.Settles(target)) return;
  }
}

// No adjacency entry has a negative length, for the graph of this
// generation; a negative length makes passes improve points without end,
// which a kept search cannot rely on.
bool PassesCanBeKept() {
  static uint32_t checkedGeneration = 0;
  static bool nonNegative = false;
  if (checkedGeneration != graphGeneration || checkedGeneration == 0) {
    nonNegative = std::all_of(adjLength.begin(), adjLength.begin() + adjCount,
                              [](int32_t length) { return length >= 0; });
    checkedGeneration = graphGeneration;
  }
  return nonNegative;
}
