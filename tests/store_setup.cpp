#include "tests/store_setup.h"

#include "map/road_graph.h"
#include "route/route_search.h"
#include "toolkit/exceptions.h"

void SetStore(const std::vector<PointSpec>& ps, const std::vector<SegmentSpec>& ss) {
  ClearMapAndRoute();
  pointCount = static_cast<int32_t>(ps.size());
  points.SetLength(pointCount);
  for (int32_t i = 0; i < pointCount; ++i) {
    points[i].X = ps[i].x;
    points[i].Y = ps[i].y;
    points[i].Code = ps[i].code;
  }
  segmentCount = static_cast<int32_t>(ss.size());
  segments.SetLength(segmentCount);
  for (int32_t j = 0; j < segmentCount; ++j) {
    segments[j].From = ss[j].from;
    segments[j].To = ss[j].to;
    segments[j].Length = ss[j].length;
    segments[j].Vertices.SetLength(static_cast<int32_t>(ss[j].vertices.size()));
    for (size_t k = 0; k < ss[j].vertices.size(); ++k)
      segments[j].Vertices[static_cast<int32_t>(k)] = ss[j].vertices[k];
  }
}

void SetMap(const std::vector<PointSpec>& ps, const std::vector<SegmentSpec>& ss) {
  SetStore(ps, ss);
  BuildRoadGraph();
}

void SetPreviousGraph() {
  ClearMapAndRoute();
  minX = minNegY = maxX = maxNegY = 77;
  nodeCount = adjCount = 77;
}

Refusal RefusalOf(const std::function<void()>& load) {
  try {
    load();
  } catch (const DynArrayOutOfRange& e) {
    return {"DynArrayOutOfRange", e.Message(), e.Index(), e.Length()};
  } catch (const EConvertError& e) {
    return {"EConvertError", e.Message()};
  } catch (const Exception& e) {
    return {"Exception", e.Message()};
  }
  return {};
}
