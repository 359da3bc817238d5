#include "tests/load_result.h"

#include <gtest/gtest.h>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/store_setup.h"

void PrintTo(const LoadResult& r, std::ostream* out) {
  *out << "failure \"" << r.failure << "\", " << r.pointCount << " points (" << r.pointsLength << "), "
       << r.segmentCount << " segments (" << r.segmentsLength << "), points "
       << ::testing::PrintToString(r.pointNumbers) << ", texts " << ::testing::PrintToString(r.pointTexts)
       << ", segments " << ::testing::PrintToString(r.segmentNumbers) << ", graph "
       << ::testing::PrintToString(r.graph);
}

LoadResult RunLoad(const std::string& path, const std::function<void(const std::string&)>& load) {
  ClearMapStore();
  BuildRoadGraph();
  LoadResult r;
  const Refusal refusal = RefusalOf([&] { load(path); });
  if (!refusal.type.empty()) {
    r.failure = refusal.type + " " + std::to_string(refusal.index) + " " + std::to_string(refusal.length) +
                ": " + refusal.message;
  }
  r.pointCount = pointCount;
  r.segmentCount = segmentCount;
  r.pointsLength = points.Length();
  r.segmentsLength = segments.Length();
  for (int32_t i = 0; i < pointCount; ++i) {
    r.pointTexts.emplace_back(points[i].Text.View());
    r.pointNumbers.insert(r.pointNumbers.end(), {points[i].X, points[i].Y, points[i].Code});
  }
  for (int32_t j = 0; j < segmentCount; ++j) {
    const TFieldS& s = segments[j];
    r.segmentNumbers.insert(r.segmentNumbers.end(), {s.From, s.To, s.Length, s.Vertices.Length()});
    for (int32_t k = 0; k < s.Vertices.Length(); ++k)
      r.segmentNumbers.insert(r.segmentNumbers.end(), {s.Vertices[k].x, s.Vertices[k].y});
  }
  r.graph = {minX, minNegY, maxX, maxNegY, nodeCount, adjCount};
  r.graph.insert(r.graph.end(), nodeStart.begin(), nodeStart.begin() + nodeCount + 1);
  for (const std::vector<int32_t>* array : {&adjNode, &adjLength, &adjSegment})
    r.graph.insert(r.graph.end(), array->begin(), array->begin() + adjCount);
  return r;
}
