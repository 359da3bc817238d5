// A load, a graph build and the indexing cancelled from another thread at
// random moments: each either completes as an uncancelled one does or
// raises ELoadCancelled, leaving the graph and the index as before it.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "map/area_index.h"
#include "map/layer_loader.h"
#include "map/load_cancelled.h"
#include "map/load_progress.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/test_files.h"

namespace {

// A grid of side x side junctions joined right and up, long enough to read
// that cancels land in every phase.
LayerTexts GridMap(int32_t side) {
  LayerTexts t;
  t.sMif = "Version 300\nColumns 3\n  From Integer\n  To Integer\n  Length Integer\nData\n";
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) {
      const int32_t code = y * side + x + 1;
      t.mMif += "Point " + std::to_string(x * 100) + " " + std::to_string(y * 100) + "\n";
      t.mMid += std::to_string(code) + ",\"Junction " + std::to_string(code) + "\"\n";
      for (const int32_t next : {x + 1 < side ? code + 1 : 0, y + 1 < side ? code + side : 0}) {
        if (next == 0) continue;
        const int32_t nx = (next - 1) % side, ny = (next - 1) / side;
        t.sMif += "Pline 2\n    Pen (1,2,0)\n" + std::to_string(x * 100) + " " + std::to_string(y * 100) +
                  "\n" + std::to_string(nx * 100) + " " + std::to_string(ny * 100) + "\n";
        t.sMid += std::to_string(code) + "," + std::to_string(next) + ",100\n";
      }
    }
  }
  return t;
}

// What a completed load of the grid leaves.
struct Loaded {
  int32_t points, segments, nodes, entries;
  bool operator==(const Loaded& o) const {
    return points == o.points && segments == o.segments && nodes == o.nodes && entries == o.entries;
  }
};
Loaded Now() { return {pointCount, segmentCount, nodeCount, adjCount}; }

}  // namespace

TEST(LoadCancel, EndsCompleteOrCancelledAtAnyMoment) {
  TempDir dir;
  const std::string path = WriteLayers(dir, GridMap(160));
  constexpr int64_t kRowParts = 64 << 10;  // the S layer's rows in several parts, as a large map's
  ClearMapStore();
  LoadProgress whole;
  LoadMapLayers(path, &whole, kRowParts);
  const Loaded complete = Now();
  EXPECT_EQ(whole.bytesRead.load(), whole.totalBytes.load());
  EXPECT_GT(whole.totalBytes.load(), 4'000'000);
  EXPECT_EQ(whole.phase.load(), LoadProgress::kBuildingGraph);

  std::mt19937 random(5);
  ClearMapStore();
  const auto start = std::chrono::steady_clock::now();
  LoadMapLayers(path);
  const auto loadTime = std::chrono::steady_clock::now() - start;
  int cancelled = 0;
  for (int round = 0; round < 12; ++round) {
    ClearMapStore();
    LoadProgress progress;
    // The last round's cancel comes long after the load ends, however slow
    // a busy machine makes this one.
    const auto delay =
        loadTime * (round == 11 ? 10.0 : std::uniform_real_distribution<double>(0, 1.2)(random));
    std::thread canceller([&] {
      std::this_thread::sleep_for(delay);
      progress.cancel = true;
    });
    try {
      LoadMapLayers(path, &progress, kRowParts);
      EXPECT_EQ(Now(), complete) << "round " << round;
    } catch (const ELoadCancelled&) {
      ++cancelled;
      EXPECT_LE(progress.bytesRead.load(), progress.totalBytes.load());
    }
    canceller.join();
  }
  EXPECT_GT(cancelled, 0);
  EXPECT_LT(cancelled, 12);
  ClearMapStore();
}

TEST(LoadCancel, CancelledBuildsLeaveTheEarlierGraphAndNoIndex) {
  TempDir dir;
  ClearMapStore();
  LoadMapLayers(WriteLayers(dir, GridMap(40)));
  const Loaded before = Now();
  const std::vector<int32_t> entries(adjNode.begin(), adjNode.begin() + adjCount);
  LoadProgress cancel;
  cancel.cancel = true;
  graphWeighsDurations = true;  // a rebuild that would change nothing anyway
  EXPECT_THROW(BuildRoadGraph(&cancel), ELoadCancelled);
  EXPECT_EQ(Now(), before);
  EXPECT_EQ(std::vector<int32_t>(adjNode.begin(), adjNode.begin() + adjCount), entries);
  EXPECT_THROW(BuildMapAreaIndex(&cancel), ELoadCancelled);
  EXPECT_FALSE(mapAreaIndex.built);
  BuildMapAreaIndex();
  EXPECT_TRUE(mapAreaIndex.built);
  ClearMapStore();
}
