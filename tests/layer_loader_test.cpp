#include "map/layer_loader.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <functional>

#include "map/map_files.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/reference_loader.h"
#include "tests/store_setup.h"
#include "tests/test_files.h"
#include "toolkit/exceptions.h"
#include "toolkit/paths.h"

namespace {

class LayerLoader : public ::testing::Test {
 protected:
  void SetUp() override { SetPreviousGraph(); }
  void TearDown() override { ClearMapStore(); }

  void Load(const LayerTexts& layers) { LoadMapLayers(WriteLayers(dir, layers)); }

  TempDir dir;
};

void ExpectGraphNotRebuilt() {
  EXPECT_EQ(minX, 77);
  EXPECT_EQ(maxNegY, 77);
  EXPECT_EQ(nodeCount, 77);
  EXPECT_EQ(adjCount, 77);
}

void ExpectConsistentCounts() {
  EXPECT_EQ(points.Length(), pointCount);
  EXPECT_EQ(segments.Length(), segmentCount);
}

int OpenFileCount() {
  int count = 0;
  DIR* fds = ::opendir("/proc/self/fd");
  while (::readdir(fds)) ++count;
  ::closedir(fds);
  return count;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

}  // namespace

TEST(NextToken, SplitsAtSingleDelimiters) {
  const std::string line = "Point 1  2";
  int32_t position = 1;
  EXPECT_EQ(NextToken(line, position, ' '), "Point");
  EXPECT_EQ(position, 7);
  EXPECT_EQ(NextToken(line, position, ' '), "1");
  EXPECT_EQ(NextToken(line, position, ' '), "");  // two delimiters in a row
  EXPECT_EQ(NextToken(line, position, ' '), "2");
  EXPECT_EQ(position, 12);  // two past the end: no delimiter was found
  EXPECT_EQ(NextToken(line, position, ' '), "");
  EXPECT_EQ(position, 12);

  int32_t start = 1;
  EXPECT_EQ(NextToken("    Symbol", start, ' '), "");  // a leading delimiter
  EXPECT_EQ(start, 2);
  int32_t rest = 3;
  EXPECT_EQ(NextToken("1,Gate, north", rest, '\n'), "Gate, north");
}

TEST(StripFileExt, RemovesTheNamesExtensionOnly) {
  EXPECT_EQ(StripFileExt("C:\\Maps\\Mtown.mif"), "C:\\Maps\\Mtown");
  EXPECT_EQ(StripFileExt("/a.b/Mtown"), "/a.b/Mtown");
  EXPECT_EQ(StripFileExt("Mtown.x.MIF"), "Mtown.x");
  EXPECT_EQ(StripFileExt("Mtown."), "Mtown");
}

TEST_F(LayerLoader, WorkedExampleThroughRealFiles) {
  Load(ExampleTown());
  ASSERT_EQ(pointCount, 3);
  ASSERT_EQ(segmentCount, 2);
  const struct {
    int32_t x, y, code;
    const char* text;
  } expectedPoints[] = {{100, 200, 1, "Gate"}, {300, 200, 2, "Mill"}, {300, 400, 3, "Ford"}};
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(points[i].X, expectedPoints[i].x);
    EXPECT_EQ(points[i].Y, expectedPoints[i].y);
    EXPECT_EQ(points[i].Code, expectedPoints[i].code);
    EXPECT_EQ(points[i].Text, expectedPoints[i].text);
  }
  EXPECT_EQ(segments[0].From, 1);
  EXPECT_EQ(segments[0].To, 2);
  EXPECT_EQ(segments[0].Length, 200);
  EXPECT_EQ(segments[0].Vertices.Length(), 2);
  EXPECT_EQ(segments[1].Length, 210);
  ASSERT_EQ(segments[1].Vertices.Length(), 3);
  EXPECT_EQ(segments[1].Vertices[1].x, 320);
  EXPECT_EQ(segments[1].Vertices[1].y, 300);

  EXPECT_EQ(minX, 100);
  EXPECT_EQ(maxX, 320);
  EXPECT_EQ(minNegY, -400);
  EXPECT_EQ(maxNegY, -200);
  EXPECT_EQ(nodeCount, 3);
  EXPECT_EQ(adjCount, 4);
  const int32_t starts[] = {0, 1, 3, 4}, nodes[] = {2, 1, 3, 2}, lengths[] = {200, 200, 210, 210},
                segs[] = {0, 0, 1, 1};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(nodeStart[i], starts[i]);
    EXPECT_EQ(adjNode[i], nodes[i]);
    EXPECT_EQ(adjLength[i], lengths[i]);
    EXPECT_EQ(adjSegment[i], segs[i]);
  }
}

TEST_F(LayerLoader, CrLfFilesReadLikeLfFiles) {
  LayerTexts town = ExampleTown();
  for (std::string* text : {&town.mMif, &town.mMid, &town.sMif, &town.sMid}) *text = WithCrLf(*text);
  Load(town);
  EXPECT_EQ(pointCount, 3);
  EXPECT_EQ(points[2].Text, "Ford");  // no carriage return left in the text
  EXPECT_EQ(segmentCount, 2);
  EXPECT_EQ(segments[1].Length, 210);
  EXPECT_EQ(adjCount, 4);
}

TEST_F(LayerLoader, DerivedNamesAreFoundIgnoringLetterCase) {
  const LayerTexts town = ExampleTown();
  WriteFile(dir / "MTOWN.MIF", town.mMif);
  WriteFile(dir / "MTOWN.MID", town.mMid);
  WriteFile(dir / "STOWN.MIF", town.sMif);
  WriteFile(dir / "sTown.Mid", town.sMid);
  LoadMapLayers(dir / "MTOWN.MIF");
  EXPECT_EQ(points[1].Code, 2);
  EXPECT_EQ(segmentCount, 2);
  EXPECT_EQ(segments[1].To, 3);
}

TEST_F(LayerLoader, DerivedNamesKeepTheFolderAndReplaceTheFirstLetter) {
  // A dot in the folder is not an extension; the chosen name's first
  // character is replaced whatever it is; a name without an extension gets
  // the new ones appended.
  TempDir folder;
  const std::string sub = folder / "maps.v2";
  ASSERT_EQ(::system(("mkdir '" + sub + "'").c_str()), 0);
  const LayerTexts town = ExampleTown();
  WriteFile(sub + "/Xtown", town.mMif);
  WriteFile(sub + "/Xtown.mid", town.mMid);
  WriteFile(sub + "/Stown.mif", town.sMif);
  WriteFile(sub + "/Stown.mid", town.sMid);
  LoadMapLayers(sub + "/Xtown");
  EXPECT_EQ(pointCount, 3);
  EXPECT_EQ(points[0].Text, "Gate");
  EXPECT_EQ(segmentCount, 2);
  EXPECT_EQ(segments[0].Length, 200);
}

TEST_F(LayerLoader, LinesAreUsedOnlyFromTheirFilesMinimumLength) {
  // 4 characters with the line feed: used in the S layer's .mif only.
  Load({"Point 1 2\nPoint 3 4\n", "1,A\n1,Gate\n2,B\n", "Pline 1\n5 6\n", "1,2,3\n"});
  EXPECT_EQ(points[0].Code, 1);
  EXPECT_EQ(points[0].Text, "Gate");  // "1,A" was skipped and did not count
  EXPECT_EQ(points[1].Code, 0);       // "2,B" is too short as well
  ASSERT_EQ(segments[0].Vertices.Length(), 1);
  EXPECT_EQ(segments[0].Vertices[0].x, 5);
  EXPECT_EQ(segments[0].Vertices[0].y, 6);
}

TEST_F(LayerLoader, OnlyTheSubsetIsRecognised) {
  Load({"point 1 2\n Point 9 9\nPoint 10 20 extra\nPointer 1 1\n", "1234\n", "", ""});
  ASSERT_EQ(pointCount, 1);  // lower case, indented and longer words are ignored
  EXPECT_EQ(points[0].X, 10);
  EXPECT_EQ(points[0].Code, 1234);  // a row without a comma: the whole line is the code
  EXPECT_EQ(points[0].Text, "");
}

TEST_F(LayerLoader, VerticesComeFromTheNextLinesNotBeginningWithABlank) {
  Load({"Point 0 0\nPoint 9 9\n", "",
        "1 1\nPline 3\n 7 7\n10 20\n    Pen (1,2,0)\n30 40\nPline 2\n50 60\nPline 1\n1 2\n3 4\n", ""});
  ASSERT_EQ(segmentCount, 3);
  const auto& first = segments[0].Vertices;
  ASSERT_EQ(first.Length(), 3);
  EXPECT_EQ(first[0].x, 10);
  EXPECT_EQ(first[1].y, 40);
  EXPECT_EQ(first[2].x, 0);  // declared but never supplied
  EXPECT_EQ(segments[1].Vertices[1].y, 0);
  EXPECT_EQ(segments[2].Vertices.Length(), 1);  // the surplus "3 4" is ignored
  EXPECT_EQ(segments[2].Vertices[0].x, 1);
}

TEST_F(LayerLoader, LastLineWithoutLineFeedAndOverlongLines) {
  // A 264-character line arrives as a 255-character piece and the rest.
  const std::string longLine = "Point 1 2" + std::string(246, ' ') + "Point 5 6\n";
  Load({longLine + "Point 7 8", "1,Gate\n2,Mill\n3,Ford", "", ""});
  ASSERT_EQ(pointCount, 3);
  EXPECT_EQ(points[1].X, 5);
  EXPECT_EQ(points[2].Y, 8);
  EXPECT_EQ(points[2].Text, "Ford");
}

TEST_F(LayerLoader, OnlyTheMLayerGivesPointsWithoutRoads) {
  const LayerTexts town = ExampleTown();
  Load({town.mMif, town.mMid, "", ""});
  EXPECT_EQ(pointCount, 3);
  EXPECT_EQ(segmentCount, 0);
  EXPECT_EQ(nodeCount, 3);
  EXPECT_EQ(adjCount, 0);
  EXPECT_EQ(maxX, 300);
}

TEST_F(LayerLoader, NoFilesAtAllRebuildsAnEmptyGraph) {
  LoadMapLayers(dir / "Mnothing.mif");
  EXPECT_EQ(pointCount, 0);
  EXPECT_EQ(segmentCount, 0);
  EXPECT_EQ(minX, 0);
  EXPECT_EQ(minNegY, 0);
  EXPECT_EQ(maxX, 0);
  EXPECT_EQ(maxNegY, 0);
  EXPECT_EQ(nodeCount, 0);
  EXPECT_EQ(adjCount, 0);
}

// Each malformed map raises, keeps what was stored so far (a partly written
// record included), closes its file, reads no further file and leaves the
// graph as it was.
TEST_F(LayerLoader, FailuresKeepWhatWasReadAndStop) {
  const LayerTexts town = ExampleTown();
  const struct {
    const char* name;
    LayerTexts layers;
    int32_t points, segments;
    std::function<void()> check;
  } cases[] = {
      {"doubled blank",
       {"Point 1 2\nPoint 1  2\nPoint 5 6\n", town.mMid, town.sMif, town.sMid},
       2,
       0,
       [] {
         EXPECT_EQ(points[1].X, 1);
         EXPECT_EQ(points[1].Y, 0);
         EXPECT_EQ(points[0].Code, 0);  // the .mid file was never read
       }},
      {"decimal point", {"Point 1.5 2\n", town.mMid, "", ""}, 1, 0, [] { EXPECT_EQ(points[0].X, 0); }},
      {"surplus bad point row",
       {town.mMif, town.mMid + "x,Extra\n", town.sMif, town.sMid},
       3,
       0,
       [] { EXPECT_EQ(points[2].Text, "Ford"); }},
      {"bad vertex y",
       {town.mMif, town.mMid, "Pline 2\n100 200\n300 2e2\n", town.sMid},
       3,
       1,
       [] {
         EXPECT_EQ(segments[0].Vertices[1].x, 300);
         EXPECT_EQ(segments[0].Vertices[1].y, 0);
       }},
      {"word while vertices are expected",
       {town.mMif, town.mMid, "Pline 2\n100 200\nPen (1,2,0)\n", ""},
       3,
       1,
       [] { EXPECT_EQ(segments[0].Vertices[0].x, 100); }},
      {"multi-section polyline",
       {town.mMif, town.mMid, "Pline 2\n1 1\n2 2\nPline Multiple 2\n", ""},
       3,
       2,
       [] { EXPECT_EQ(segments[1].Vertices.Length(), 0); }},
      {"negative vertex count",
       {town.mMif, town.mMid, "Pline -3\n", ""},
       3,
       1,
       [] { EXPECT_EQ(segments[0].Vertices.Length(), 0); }},
      {"bad segment length",
       {town.mMif, town.mMid, town.sMif, "1,2,200\n2,3,\n"},
       3,
       2,
       [] {
         EXPECT_EQ(segments[1].From, 2);
         EXPECT_EQ(segments[1].To, 3);
         EXPECT_EQ(segments[1].Length, 0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    TempDir caseDir;
    const std::string file = WriteLayers(caseDir, c.layers);
    const int openBefore = OpenFileCount();
    EXPECT_THROW(LoadMapLayers(file), EConvertError);
    EXPECT_EQ(OpenFileCount(), openBefore);
    EXPECT_EQ(pointCount, c.points);
    EXPECT_EQ(segmentCount, c.segments);
    ExpectConsistentCounts();
    ExpectGraphNotRebuilt();
    c.check();
  }
}

TEST_F(LayerLoader, SurplusAttributeRowsRaiseOutOfRange) {
  const LayerTexts town = ExampleTown();
  const struct {
    const char* name;
    LayerTexts layers;
    int32_t segments;
  } cases[] = {
      {"points", {town.mMif, town.mMid + "4,Extra\n", town.sMif, town.sMid}, 0},
      {"segments", {town.mMif, town.mMid, town.sMif, town.sMid + "3,1,99\n"}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    TempDir caseDir;
    try {
      LoadMapLayers(WriteLayers(caseDir, c.layers));
      ADD_FAILURE() << "no exception";
    } catch (const DynArrayOutOfRange& e) {
      EXPECT_EQ(e.Index(), c.segments ? 2 : 3);
      EXPECT_EQ(e.Length(), c.segments ? 2 : 3);
    }
    EXPECT_EQ(segmentCount, c.segments);
    EXPECT_EQ(points[2].Code, 3);
    ExpectConsistentCounts();
    ExpectGraphNotRebuilt();
  }
}

// Rules of the rows and lines that a loader could plausibly get wrong while
// every other test still passes.
TEST_F(LayerLoader, RowAndLineRules) {
  const LayerTexts town = ExampleTown();
  const struct {
    const char* name;
    LayerTexts layers;
    std::function<void()> check;
  } cases[] = {
      {"an S row of 4 characters with its line feed is skipped and not counted",
       {town.mMif, town.mMid, town.sMif, "1,2\n1,2,200\n2,3\n"},
       [] {
         EXPECT_EQ(segments[0].Length, 200);
         EXPECT_EQ(segments[1].From, 0);
       }},
      {"an M row's text runs to the end of the line, commas included",
       {town.mMif, "1,Gate, north,,\n2,\"Mill, old\"\n", "", ""},
       [] {
         EXPECT_EQ(points[0].Text, "Gate, north,,");
         EXPECT_EQ(points[1].Text, "\"Mill, old\"");
       }},
      {"an S row ignores what follows its third comma",
       {town.mMif, town.mMid, town.sMif, "1,2,200,x,,y\n2,3,210,\"Mill Lane\"\n"},
       [] {
         EXPECT_EQ(segments[0].Length, 200);
         EXPECT_EQ(segments[1].Length, 210);
       }},
      {"Pline 0 is a segment without vertices; the next vertex line is surplus",
       {town.mMif, town.mMid, "Pline 0\n5 6\nPline 1\n7 8\n", "1,2,3\n2,3,4\n"},
       [] {
         ASSERT_EQ(segmentCount, 2);
         EXPECT_EQ(segments[0].Vertices.Length(), 0);
         EXPECT_EQ(segments[0].Length, 3);
         EXPECT_EQ(segments[1].Vertices[0].x, 7);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    TempDir caseDir;
    LoadMapLayers(WriteLayers(caseDir, c.layers));
    c.check();
  }
}

// Each number is converted before the element it goes to is accessed: in a
// surplus row a bad first number is a conversion error, while a bad second
// number comes after the first was stored, so the row's access fails first.
TEST_F(LayerLoader, NumbersAreConvertedBeforeTheElementIsAccessed) {
  const LayerTexts town = ExampleTown();
  const struct {
    const char* surplusRow;
    bool outOfRange;
  } cases[] = {{"x,1,30\n", false}, {"3,x,30\n", true}, {"3,1,x\n", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.surplusRow);
    SetUp();
    TempDir caseDir;
    const std::string map = WriteLayers(caseDir, {town.mMif, town.mMid, town.sMif, town.sMid + c.surplusRow});
    if (c.outOfRange)
      EXPECT_THROW(LoadMapLayers(map), DynArrayOutOfRange);
    else
      EXPECT_THROW(LoadMapLayers(map), EConvertError);
  }
}

// A last line of exactly 5 characters without a line feed is long enough
// to be used: "Point" adds a point and then finds no X.
TEST_F(LayerLoader, LastPointLineOfFiveCharactersIsUsed) {
  EXPECT_THROW(Load({"Point 1 2\nPoint", "", "", ""}), EConvertError);
  EXPECT_EQ(pointCount, 2);
}

// Only the derived names are matched ignoring letter case; the chosen name
// is opened as given.
TEST_F(LayerLoader, ChosenNameIsNotMatchedIgnoringCase) {
  const LayerTexts town = ExampleTown();
  WriteFile(dir / "MTOWN.MIF", town.mMif);
  WriteFile(dir / "Stown.mif", town.sMif);
  LoadMapLayers(dir / "Mtown.mif");
  EXPECT_EQ(pointCount, 0);
  EXPECT_EQ(segmentCount, 2);
}

// Numbers of every width around nine digits, where conversion without
// overflow checks ends, read as the checked conversion reads them.
TEST_F(LayerLoader, NumbersConvertAlikeAtEveryWidth) {
  const struct {
    const char* text;
    int32_t value;
  } numbers[] = {{"999999999", 999999999},
                 {"-999999999", -999999999},
                 {"1000000000", 1000000000},
                 {"2147483647", 2147483647},
                 {"-2147483648", INT32_MIN},
                 {"0000000012", 12},
                 {"-0", 0},
                 {"+7", 7},
                 {"-000000001", -1}};
  for (const auto& n : numbers) {
    SCOPED_TRACE(n.text);
    const std::string t = n.text;
    Load({"Point " + t + " " + t + "\n", t + ",x\n", "Pline 1\n" + t + " " + t + "\n", t + "," + t + ",5\n"});
    EXPECT_EQ(points[0].X, n.value);
    EXPECT_EQ(points[0].Y, n.value);
    EXPECT_EQ(points[0].Code, n.value);
    EXPECT_EQ(segments[0].From, n.value);
    EXPECT_EQ(segments[0].To, n.value);
    EXPECT_EQ(segments[0].Vertices[0].y, n.value);
    ClearMapStore();
  }
  for (const char* bad : {"2147483648", "12345678901", "-", "1-2", "99999999x"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(Load({std::string("Point 1 ") + bad + "\n", "", "", ""}), EConvertError);
    ClearMapStore();
  }
}
