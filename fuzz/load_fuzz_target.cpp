// The loader's fuzz target: one input is a map's six layer files (see
// fuzz/fuzz_maps.h), loaded as the window's worker loads one (the tables,
// the graph, then the area index), its turn restrictions checked, and
// searched. No window and no drawing, so that it runs many inputs a second. A load may raise Exception (a
// malformed or hostile map is refused with a message); any other exception,
// a crash or a sanitizer report is a fault.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_maps.h"
#include "map/area_index.h"
#include "map/layer_loader.h"
#include "map/load_progress.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "toolkit/exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  PrepareFuzzFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ClearMapStore();
  LoadProgress progress;
  try {
    // The S layer's rows in parts of a few lines, as a large map's are read.
    const TurnRestrictions restrictions = LoadMapLayers(WriteInputLayers(data, size), &progress, 64);
    if (progress.bytesRead != progress.totalBytes) abort();
    CheckRestrictionsJoinUp(restrictions);
    BuildMapAreaIndex(&progress);
    std::vector<int32_t> found;
    SegmentsInArea(minX, minNegY, maxX, maxNegY, found);
    PointsInArea(minX, minNegY, maxX, maxNegY, found);
  } catch (const Exception&) {
  }
  CheckRoutesAgainstDirectSearch();
  return 0;
}
