#include "map/map_store.h"

#include <limits>

#include "map/area_index.h"
#include "map/road_graph.h"

DynamicArray<TFieldM> points;
int32_t pointCount = 0;
DynamicArray<TFieldS> segments;
int32_t segmentCount = 0;
std::vector<int8_t> segmentOneway;
std::vector<int32_t> segmentDuration;
NameTable segmentName;
std::vector<RoadClass> segmentClass;
bool mapHasCoordSys = false;
int32_t startPoint = 0;
int32_t currentPoint = 0;

void ClearMapStore() {
  startPoint = -1;
  currentPoint = -1;
  pointCount = 0;
  points.SetLength(0);
  segmentCount = 0;
  segments.SetLength(0);
  segmentOneway.clear();
  segmentDuration.clear();
  segmentName.clear();
  segmentClass.clear();
  mapHasCoordSys = false;
  graphWeighsDurations = false;
  DropMapAreaIndex();
  ++graphGeneration;  // a search kept on these tables' graph is over
}
