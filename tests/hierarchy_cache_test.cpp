// The hierarchy cache refuses every file it cannot trust and survives a
// folder or disk that refuses it; the routes stay those of Dijkstra.
#include "route/hierarchy_cache.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "map/road_graph.h"
#include "route/contraction_hierarchy.h"
#include "route/fast_route_search.h"
#include "route/hierarchy_file.h"
#include "tests/fast_routes_fixture.h"
#include "tests/test_files.h"

namespace {

// Writes hierarchy to path as the cache would, whatever it holds.
void WriteRaw(const ContractionHierarchy& hierarchy, const std::string& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  WriteHierarchy(hierarchy, [&file](const void* data, size_t size) {
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return true;
  });
}

void FlipByte(const std::string& path, long offset) {
  std::string bytes = ReadWhole(path);
  bytes[offset < 0 ? bytes.size() + offset : offset] ^= 0x10;
  WriteFile(path, bytes);
}

struct CacheTest : testing::Test {
  CacheTest() {
    std::mt19937 random(31);
    SetRandomDirectedMap(random, 5000, false);  // data of two blocks, read on two threads
    graph = SnapshotRoadGraph();
    built = BuildContractionHierarchy(graph);
  }
  // Checks that every route of hierarchy is as long as Dijkstra's (the graph
  // weighs lengths); the number of routes that found the hierarchy bad.
  int ExpectDijkstrasRoutes(std::unique_ptr<ContractionHierarchy> hierarchy) {
    HierarchyQuery query;
    int bad = 0;
    for (int32_t target = 1; target <= nodeCount; target += 97) {
      bool found_bad = false;
      const bool found = FindRouteInHierarchy(*hierarchy, query, 7, target, found_bad) != RouteNotFound();
      const int64_t length = RouteLength();
      EXPECT_EQ(FindRouteDirect(7, target) != RouteNotFound(), found);
      EXPECT_EQ(RouteLength(), length);
      bad += found_bad;
    }
    return bad;
  }

  const LoweredPassCapacity lowered;
  TempDir dir;
  DirectedGraph graph;
  std::unique_ptr<ContractionHierarchy> built;
};

TEST_F(CacheTest, RefusesEveryFileItCannotTrust) {
  const HierarchyCache cache(dir / "cache");
  ASSERT_EQ(cache.Save(*built), HierarchyCache::Saved::kYes);
  const std::string path = cache.PathFor(built->graphHash), good = ReadWhole(path);
  EXPECT_EQ(ExpectDijkstrasRoutes(cache.Load(graph)), 0);

  const std::function<void()> damages[] = {
      [&] { WriteFile(path, good.substr(0, good.size() - 3)); },    // truncated
      [&] { FlipByte(path, 17); },                                  // the graph's hash
      [&] { FlipByte(path, 8); },                                   // the version: a newer format
      [&] { FlipByte(path, -2); },                                  // the data's last block
      [&] { FlipByte(path, static_cast<long>(good.size() / 4)); },  // the data's first block
      [&] {                                                         // valid hashes, two points of one rank
        ContractionHierarchy crafted = *built;
        crafted.rank[1] = crafted.rank[2];
        WriteRaw(crafted, path);
      },
      [&] {  // valid hashes, lists out of order
        ContractionHierarchy crafted = *built;
        std::swap(crafted.arcStart[1], crafted.arcStart[2]);
        WriteRaw(crafted, path);
      },
      [&] {  // another map's file under this map's name
        ContractionHierarchy other = *built;
        other.graphHash ^= 1;
        WriteRaw(other, path);
      },
  };
  for (size_t k = 0; k < std::size(damages); ++k) {
    WriteFile(path, good);
    damages[k]();
    EXPECT_EQ(cache.Load(graph), nullptr) << "damage " << k;
  }
  WriteFile(path, good);
  EXPECT_EQ(ExpectDijkstrasRoutes(cache.Load(graph)), 0);
}

// Arcs are checked as the searches meet them: a file of valid hashes and a
// sound frame whose arcs no sound hierarchy holds is read, and every route
// that meets such an arc is Dijkstra's.
TEST_F(CacheTest, ABadArcSendsTheRouteToDijkstra) {
  const HierarchyCache cache(dir / "cache");
  ASSERT_TRUE(cache.Writable());
  const std::function<void(HierarchyArc&)> crafts[] = {
      [](HierarchyArc& arc) { arc.other = nodeCount + 4; },  // to no point
      [](HierarchyArc& arc) { arc.weight = -arc.weight - 1; },
      [this](HierarchyArc& arc) {  // a half beyond the arcs
        if (arc.middle != 0) arc.first = static_cast<int32_t>(built->arcs.size());
      },
      [](HierarchyArc& arc) {  // a middle above its ends: unpacking would never end
        if (arc.middle != 0) arc.middle = arc.other;
      },
  };
  for (size_t k = 0; k < std::size(crafts); ++k) {
    ContractionHierarchy crafted = *built;
    for (HierarchyArc& arc : crafted.arcs) crafts[k](arc);
    WriteRaw(crafted, cache.PathFor(built->graphHash));
    auto loaded = cache.Load(graph);
    ASSERT_NE(loaded, nullptr) << "craft " << k;
    EXPECT_GT(ExpectDijkstrasRoutes(std::move(loaded)), 0) << "craft " << k;
  }
}

TEST_F(CacheTest, KeepsTheLimitByRemovingTheLeastRecentlyUsedOwnFiles) {
  const uint64_t size = HierarchyFileSize(*built);
  const HierarchyCache cache(dir / "cache", 2 * size + size / 2);
  ASSERT_EQ(cache.Save(*built), HierarchyCache::Saved::kYes);
  WriteFile(dir / "cache/notes.txt", "not ours");
  ContractionHierarchy second = *built, third = *built;
  second.graphHash ^= 2;
  third.graphHash ^= 3;
  ASSERT_EQ(cache.Save(second), HierarchyCache::Saved::kYes);
  sleep(1);  // modification times a second apart at least
  ASSERT_TRUE(cache.Load(graph)) << "the first is used again: the second is now the oldest";
  ASSERT_EQ(cache.Save(third), HierarchyCache::Saved::kYes);
  EXPECT_TRUE(cache.Load(graph));
  EXPECT_EQ(access(cache.PathFor(second.graphHash).c_str(), F_OK), -1);
  EXPECT_EQ(access(cache.PathFor(third.graphHash).c_str(), F_OK), 0);
  EXPECT_EQ(ReadWhole(dir / "cache/notes.txt"), "not ours");
  EXPECT_EQ(HierarchyCache(dir / "cache", size - 1).Save(*built), HierarchyCache::Saved::kTooLarge);
}

TEST_F(CacheTest, AFolderOrDiskThatRefusesLeavesNothingBehind) {
  WriteFile(dir / "file", "");
  EXPECT_EQ(HierarchyCache(dir / "file/ruvel").Save(*built), HierarchyCache::Saved::kNotWritten);
  HierarchyCache::Saved saved = HierarchyCache::Saved::kYes;
  ExpectDijkstrasRoutes(
      LoadOrBuildHierarchy(graph, HierarchyCache(dir / "file/ruvel"), true, nullptr, &saved));
  EXPECT_EQ(saved, HierarchyCache::Saved::kNotWritten);

  mkdir((dir / "small").c_str(), 0700);
  if (mount("tmpfs", (dir / "small").c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "no tmpfs can be mounted here";
  const HierarchyCache full(dir / "small");
  EXPECT_GT(HierarchyFileSize(*built), 64u * 1024) << "the map must not fit the disk";
  EXPECT_EQ(full.Save(*built), HierarchyCache::Saved::kNotWritten);
  const CommandResult left = RunCommand("ls -A " + dir / "small");
  umount((dir / "small").c_str());
  EXPECT_EQ(left.out, "") << "the temporary file is removed";
}

}  // namespace
