#include <cstdio>

#include "cli/commands.h"
#include "map/map_store.h"
#include "map/road_graph.h"

// The bounds are printed as the files write them, in the order of the
// import report: the smallest Y is minus the largest negated Y. A map
// without turn restrictions prints no line of them.
void RunInfo(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError();
  const TurnRestrictions restrictions = LoadMap(args[0]);
  std::printf("points: %d\nsegments: %d\nbounds: %d %d %d %d\ngraph: %d nodes, %d entries\n", pointCount,
              segmentCount, minX, -maxNegY, maxX, -minNegY, nodeCount, adjCount);
  if (!restrictions.rows.empty()) std::printf("restrictions: %zu\n", restrictions.rows.size());
}
