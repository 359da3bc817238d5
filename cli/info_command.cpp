#include <cstdio>

#include "cli/commands.h"
#include "map/map_store.h"
#include "map/road_graph.h"

void RunInfo(const std::vector<std::string>& args) {
  if (args.size() != 1) throw UsageError();
  LoadMap(args[0]);
  std::printf("points: %d\nsegments: %d\nbounds: %d %d %d %d\ngraph: %d nodes, %d entries\n", pointCount,
              segmentCount, minX, minNegY, maxX, maxNegY, nodeCount, adjCount);
}
