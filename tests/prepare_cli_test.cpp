// ruvel-route prepare and route with the cache, on a map beyond the direct
// search's capacity.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <regex>
#include <string>

#include "tests/test_files.h"

namespace {

// 101 streets of 1,000 junctions, joined by a cross street every 50
// junctions, roads of lengths 1 to 13, and one junction off the roads.
std::string WriteLargeGrid(const TempDir& dir) {
  constexpr int kWide = 1000, kHigh = 101;
  LayerTexts grid{"Version 300\nData\n", "", "Version 300\nData\n", ""};
  const auto code = [](int x, int y) { return y * kWide + x + 1; };
  for (int y = 0; y < kHigh; ++y) {
    for (int x = 0; x < kWide; ++x) {
      grid.mMif += "Point " + std::to_string(x * 10) + " " + std::to_string(y * 10) + "\n";
      grid.mMid += std::to_string(code(x, y)) + ",\"j\"\n";
      for (const int to :
           {x + 1 < kWide ? code(x + 1, y) : 0, y + 1 < kHigh && x % 50 == 0 ? code(x, y + 1) : 0}) {
        if (to == 0) continue;
        grid.sMif += "Pline 0\n";
        grid.sMid += std::to_string(code(x, y)) + "," + std::to_string(to) + "," +
                     std::to_string((code(x, y) * 7919 + to) % 13 + 1) + "\n";
      }
    }
  }
  grid.mMif += "Point 5 5\n";
  grid.mMid += std::to_string(kWide * kHigh + 1) + ",\"off\"\n";
  return WriteLayers(dir, grid, "grid");
}

TEST(RuvelRoutePrepare, CachesFastRoutesThatRouteThenUses) {
  TempDir dir;
  const std::string map = WriteLargeGrid(dir);
  const std::string run = "XDG_CACHE_HOME='" + dir.Path() + "/cache' '" + kRuvelRoute + "' ";
  const std::string pairs = " 1 101000 57 99000 5000 5000 101001 3 40000 17";

  const CommandResult prepared = RunCommand(run + "prepare '" + map + "'");
  ASSERT_EQ(prepared.exitCode, 0) << prepared.err;
  std::smatch file;
  ASSERT_TRUE(std::regex_search(prepared.out, file, std::regex("prepared: (.*)\n")));
  const std::string path = file[1];
  EXPECT_EQ(path.rfind(dir / "cache/ruvel/", 0), 0u) << path;
  struct utimbuf old = {1000, 1000};
  ASSERT_EQ(utime(path.c_str(), &old), 0);

  const CommandResult fast = RunCommand(run + "route '" + map + "'" + pairs);
  const CommandResult dijkstra = RunCommand("XDG_CACHE_HOME='" + dir / "none" + "' '" + kRuvelRoute +
                                            "' route '" + map + "'" + pairs + " --no-cache");
  ASSERT_EQ(fast.exitCode, 0) << fast.err;
  EXPECT_EQ(RouteLengths(fast.out), RouteLengths(dijkstra.out));
  EXPECT_TRUE(std::regex_match(RouteLengths(fast.out), std::regex("\\d+\n\\d+\n0\nunreachable\n\\d+\n")))
      << fast.out;
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_GT(info.st_mtime, 1000) << "route took the cached hierarchy and renewed its time";

  WriteFile(dir / "file", "");
  const CommandResult refused =
      RunCommand("XDG_CACHE_HOME='" + dir / "file" + "' '" + kRuvelRoute + "' prepare '" + map + "'");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("cannot write"), std::string::npos) << refused.err;
  EXPECT_NE(access((dir / "none").c_str(), F_OK), 0) << "route writes nothing";
}

}  // namespace
