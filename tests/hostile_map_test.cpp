// Maps that are malformed on purpose or by accident: every refusal names the
// file and the line, nothing can exhaust memory or hang the loader, and what
// was stored before a refusal stays, as after any failed load.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/store_setup.h"
#include "tests/test_files.h"
#include "toolkit/exceptions.h"

namespace {

class HostileMap : public ::testing::Test {
 protected:
  void SetUp() override { SetPreviousGraph(); }
  void TearDown() override { ClearMapStore(); }

  TempDir dir;
};

// What loading path raises.
Refusal LoadRefusal(const std::string& path) {
  return RefusalOf([&] { LoadMapLayers(path); });
}

std::string Repeat(const std::string& line, int times) {
  std::string text;
  text.reserve(line.size() * times);
  for (int i = 0; i < times; ++i) text += line;
  return text;
}

}  // namespace

// Each refusal keeps its class and carries the file's name and the physical
// line number ahead of the message.
TEST_F(HostileMap, RefusalsNameTheFileAndTheLine) {
  const LayerTexts town = ExampleTown();
  const std::string longPoint = "Point 1 2" + std::string(246, ' ') + "Point x 6\n";
  const struct {
    const char* name;
    LayerTexts layers;
    Refusal refusal;
  } cases[] = {
      {"doubled blank",
       {"Version 300\nData\nPoint 1  2\n", "", "", ""},
       {"EConvertError", "Mtown.mif, line 3: '' is not a valid integer value"}},
      {"CR LF ends one line",
       {"Version 300\r\n\r\nPoint 1 2\r\nPoint 1 y\r\n", "", "", ""},
       {"EConvertError", "Mtown.mif, line 4: 'y' is not a valid integer value"}},
      {"the second piece of a long line",
       {"Data\n" + longPoint, "", "", ""},
       {"EConvertError", "Mtown.mif, line 2: 'x' is not a valid integer value"}},
      {"a surplus row after a skipped short one",
       {town.mMif, "1,Gate\n2,Mill\n3,Ford\n\n4,Extra\n", "", ""},
       {"DynArrayOutOfRange", "Mtown.mid, line 5: Index 3 out of range (length 3)"}},
      {"a bad vertex",
       {town.mMif, town.mMid, "Pline 2\n1 1\n    Pen (1,2,0)\n2 2.5\n", ""},
       {"EConvertError", "Stown.mif, line 4: '2.5' is not a valid integer value"}},
      {"a bad road length",
       {town.mMif, town.mMid, town.sMif, "1,2,200\n2,3,2l0\n"},
       {"EConvertError", "Stown.mid, line 2: '2l0' is not a valid integer value"}},
      {"a negative road length",
       {town.mMif, town.mMid, town.sMif, "1,2,200\n2,3,-1\n"},
       {"EConvertError", "Stown.mid, line 2: road length -1 is negative"}},
      {"a control character and a long token, made safe to print",
       {"Point 1\t2 " + std::string(50, '7') + "\n", "", "", ""},
       {"EConvertError", "Mtown.mif, line 1: '1\\t2' is not a valid integer value"}},
      {"a long token is cut",
       {"Point " + std::string(50, '7') + " 2\n", "", "", ""},
       {"EConvertError",
        "Mtown.mif, line 1: '" + std::string(40, '7') + "...' is not a valid integer value"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    TempDir caseDir;
    const Refusal r = LoadRefusal(WriteLayers(caseDir, c.layers));
    EXPECT_EQ(r.type, c.refusal.type);
    EXPECT_EQ(r.message, c.refusal.message);
    EXPECT_EQ(nodeCount, 77);  // the graph is not rebuilt
  }
}

// A message names the file that was read, as found with its letter case.
TEST_F(HostileMap, RefusalNamesTheFileFoundIgnoringLetterCase) {
  const LayerTexts town = ExampleTown();
  WriteFile(dir / "Mtown.mif", town.mMif);
  WriteFile(dir / "MTOWN.MID", "1,Gate\nz,Mill\n");
  EXPECT_EQ(LoadRefusal(dir / "Mtown.mif").message, "MTOWN.MID, line 2: 'z' is not a valid integer value");
}

// A negative length would make a cycle of negative length, which freezes
// the route search; 0 stays a valid length. The row's ends are stored
// before its length is refused, as after a conversion error.
TEST_F(HostileMap, NegativeRoadLengthsAreRefusedAndZeroIsValid) {
  const LayerTexts town = ExampleTown();
  LoadMapLayers(WriteLayers(dir, {town.mMif, town.mMid, town.sMif, "1,2,0\n2,3,210\n"}));
  EXPECT_EQ(segments[0].Length, 0);
  EXPECT_EQ(adjCount, 4);

  SetUp();
  EXPECT_THROW(LoadMapLayers(WriteLayers(dir, {town.mMif, town.mMid, town.sMif, "1,2,-2147483648\n"})),
               EConvertError);
  EXPECT_EQ(segments[0].From, 1);
  EXPECT_EQ(segments[0].To, 2);
  EXPECT_EQ(segments[0].Length, 0);
}

// The vertex counts of all Pline lines together may reach 16,777,216, or
// what a larger file can hold; the line that would pass it is refused before
// anything is allocated for it, and the segment it started stays without
// vertices.
TEST_F(HostileMap, VertexCountsAreBoundedOverTheWholeMap) {
  EXPECT_EQ(VertexBound(20), 16777216);
  EXPECT_EQ(VertexBound(int64_t{4} * 16777217 + 3), 16777217);  // a vertex line has 4 bytes at least
  EXPECT_EQ(VertexBound(int64_t{1} << 40), 2147483647);

  const std::string twoPoints = "Point 1 1\nPoint 2 2\n";
  LoadMapLayers(WriteLayers(dir, {twoPoints, "", "Pline 16000000\nPline 777216\n1 2\n", ""}));
  ASSERT_EQ(segmentCount, 2);
  EXPECT_EQ(segments[1].Vertices.Length(), 777216);
  EXPECT_EQ(segments[1].Vertices[0].x, 1);
  EXPECT_EQ(segments[1].Vertices[777215].y, 0);  // declared, never supplied

  const struct {
    const char* name;
    std::string sMif, message;
    int32_t segments;
  } cases[] = {
      {"one huge count", "Pline 2000000000\n",
       "Stown.mif, line 1: Map too large: Pline 2000000000 would make 2000000000 vertices in all, at most "
       "16777216",
       1},
      {"counts adding up", "Pline 16000000\n    Pen (1,2,0)\nPline 777217\n",
       "Stown.mif, line 3: Map too large: Pline 777217 would make 16777217 vertices in all, at most 16777216",
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    const Refusal r = LoadRefusal(WriteLayers(dir, {twoPoints, "", c.sMif, ""}));
    EXPECT_EQ(r.type, "Exception");
    EXPECT_EQ(r.message, c.message);
    ASSERT_EQ(segmentCount, c.segments);
    EXPECT_EQ(segments[c.segments - 1].Vertices.Length(), 0);
    EXPECT_EQ(nodeCount, 77);
  }
}

// Tables beyond the graph's first capacity load whole: the graph grows to
// fit them.
TEST_F(HostileMap, TablesBeyondTheFirstCapacityLoad) {
  std::string codes;
  for (int32_t code = 1; code <= GRAPH_CAPACITY; ++code) codes += std::to_string(code) + ",junction\n";
  LoadMapLayers(
      WriteLayers(dir, {"Data\n" + Repeat("Point 5 7\n", GRAPH_CAPACITY), codes,
                        Repeat("Pline 0\n", GRAPH_CAPACITY + 1), Repeat("1,2,3\n", GRAPH_CAPACITY + 1)}));
  EXPECT_EQ(pointCount, GRAPH_CAPACITY);
  EXPECT_EQ(segmentCount, GRAPH_CAPACITY + 1);
  EXPECT_EQ(nodeCount, GRAPH_CAPACITY);
  EXPECT_EQ(adjCount, 2 * (GRAPH_CAPACITY + 1));
}

// Only regular files are layer files: a directory, a device (directly or
// through a link) or a FIFO without a writer is skipped like a missing
// file, at once.
TEST_F(HostileMap, SpecialFilesAreSkippedWithoutHanging) {
  const LayerTexts town = ExampleTown();
  const struct {
    const char* name;
    std::function<void(const std::string& path)> make;
  } cases[] = {
      {"directory", [](const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0700), 0); }},
      {"link to /dev/zero",
       [](const std::string& path) { ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); }},
      {"device", [](const std::string& path) { ASSERT_EQ(::symlink("/dev/null", path.c_str()), 0); }},
      {"FIFO", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    TempDir caseDir;
    const std::string map = WriteLayers(caseDir, {town.mMif, town.mMid, "", town.sMid});
    c.make(caseDir / "Stown.mif");
    EXPECT_THROW(LoadMapLayers(map), DynArrayOutOfRange);  // the S layer's rows find no segments
    EXPECT_EQ(pointCount, 3);
    EXPECT_EQ(segmentCount, 0);

    SetUp();
    TempDir chosenDir;
    c.make(chosenDir / "Mtown.mif");
    LoadMapLayers(chosenDir / "Mtown.mif");  // the chosen name itself
    EXPECT_EQ(pointCount, 0);
    EXPECT_EQ(nodeCount, 0);
  }
}

// A failing read is an error, not the end of the file. Reading the process's
// own memory from address 0 (a regular file in /proc) fails at once.
TEST_F(HostileMap, ReadErrorsAreReportedNotTakenForTheEnd) {
  const LayerTexts town = ExampleTown();
  const std::string map = WriteLayers(dir, {town.mMif, town.mMid, "", ""});
  ASSERT_EQ(::symlink("/proc/self/mem", (dir / "Stown.mif").c_str()), 0);
  const Refusal r = LoadRefusal(map);
  EXPECT_EQ(r.type, "Exception");
  EXPECT_EQ(r.message, "Stown.mif, line 1: cannot read the file: Input/output error");
  EXPECT_EQ(pointCount, 3);
  EXPECT_EQ(nodeCount, 77);
}
