#include "tests/fast_routes_fixture.h"

#include <vector>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/store_setup.h"

void SetRandomDirectedMap(std::mt19937& random, int32_t n, bool byDuration) {
  std::vector<PointSpec> junctions;
  for (int32_t i = 0; i < n; ++i) junctions.push_back({i, i, i + 1});
  std::uniform_int_distribution<int32_t> code(1, n), length(0, 12), way(-1, 1), share(0, 9);
  std::vector<SegmentSpec> roads;
  std::vector<int8_t> oneway;
  std::vector<int32_t> duration;
  for (int32_t j = 0; j < n + n / 3; ++j) {
    const int32_t from = code(random), to = share(random) == 0 ? from : code(random);
    const int32_t len = share(random) < 2 ? 0 : length(random);
    const int copies = share(random) == 0 ? 2 : 1;  // a parallel twin
    for (int k = 0; k < copies; ++k) {
      roads.push_back({from, to, len + k * (share(random) % 2), {}});
      oneway.push_back(static_cast<int8_t>(way(random)));
      duration.push_back(share(random) < 2 ? 0 : length(random) * 7);
    }
  }
  SetStore(junctions, roads);
  segmentOneway = oneway;
  segmentDuration = duration;
  graphWeighsDurations = byDuration;
  BuildRoadGraph();
}
