// The T layer of a map, its turn restrictions: read after the M and S
// layers when its files declare its columns, its rows refused where they
// name no segment or junction or do not join up, and a map without one
// loaded as the M and S layers alone load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/work_status.h"
#include "import/road_import.h"
#include "map/layer_loader.h"
#include "map/load_cancelled.h"
#include "map/load_progress.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "map/turn_restrictions.h"
#include "route/fast_route_search.h"
#include "route/route_search.h"
#include "tests/import_requests.h"
#include "tests/load_result.h"
#include "tests/main_form_fixture.h"
#include "tests/osm_sources.h"
#include "tests/store_setup.h"
#include "tests/test_files.h"
#include "tests/turn_reference.h"
#include "toolkit/exceptions.h"
#include "toolkit/menus.h"

namespace {

// A square of junctions 1 (0 0), 2 (100 0), 3 (100 100) and 4 (0 100),
// segments 0 (1-2), 1 (2-3), 2 (3-4) and 3 (4-1) around it, and a tail,
// segment 4, from junction 3 to junction 5 (200 100).
LayerTexts SquareWithTail() {
  return {"Point 0 0\nPoint 100 0\nPoint 100 100\nPoint 0 100\nPoint 200 100\n",
          "1,Ash\n2,Bay\n3,Cob\n4,Dun\n5,Elm\n",
          "Pline 2\n0 0\n100 0\nPline 2\n100 0\n100 100\nPline 2\n100 100\n0 100\nPline 2\n0 100\n0 0\n"
          "Pline 2\n100 100\n200 100\n",
          "1,2,100\n2,3,100\n3,4,100\n4,1,100\n3,5,100\n"};
}

// The header of a T layer's .mif file, as the importer writes it.
const std::string kRestrictionHeader =
    "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\nColumns 6\n  Rule Char(32)\n  Kind Char(4)\n"
    "  From Integer\n  To Integer\n  Via Integer\n  Ways Char(254)\nData\n";

// A T layer .mif file of the header and count points at junction 3.
std::string RestrictionPoints(const std::string& header, int count) {
  std::string text = header;
  for (int k = 0; k < count; ++k) text += "Point 100 100\n";
  return text;
}

// Rows that join up on the square: a left turn from 1 to 2 at junction 3,
// only straight on from 1 to the tail, a U-turn around the square from 0
// through 1 and 2 to 3, and a U-turn on the tail.
const std::string kGoodRows =
    "\"no_left_turn\",\"no\",1,2,3,\"\"\n"
    "\"only_straight_on\",\"only\",1,4,3,\"\"\n"
    "\"no_u_turn\",\"no\",0,3,2,\"1 2\"\n"
    "\"no_u_turn\",\"no\",4,4,3,\"\"\n";

// The restrictions, each as "kind from to via ways...;".
std::string Described(const TurnRestrictions& restrictions) {
  std::string text;
  for (const TurnRestriction& r : restrictions.rows) {
    text += std::string(r.only ? "only" : "no") + " " + std::to_string(r.from) + " " + std::to_string(r.to) +
            " " + std::to_string(r.via);
    for (const int32_t way : r.ways) text += " " + std::to_string(way);
    text += ";";
  }
  return text;
}

class RestrictionLayer : public ::testing::Test {
 protected:
  void SetUp() override { SetPreviousGraph(); }
  void TearDown() override { ClearMapStore(); }

  // Writes the square and its T layer files (none for an empty text) and
  // returns the M layer's path.
  std::string WriteSquare(const std::string& tMif, const std::string& tMid) {
    if (!tMif.empty()) WriteFile(dir / "Ttown.mif", tMif);
    if (!tMid.empty()) WriteFile(dir / "Ttown.mid", tMid);
    return WriteLayers(dir, SquareWithTail());
  }

  TempDir dir;
};

}  // namespace

TEST_F(RestrictionLayer, ReadsTheRowsAndCountsItsBytes) {
  const std::string map = WriteSquare(RestrictionPoints(kRestrictionHeader, 4), kGoodRows);
  LoadProgress progress;
  const TurnRestrictions restrictions = LoadMapLayers(map, &progress);
  EXPECT_EQ(Described(restrictions), "no 1 2 3;only 1 4 3;no 0 3 2 1 2;no 4 4 3;");
  EXPECT_EQ(progress.bytesRead, progress.totalBytes);
  EXPECT_EQ(progress.totalBytes,
            static_cast<int64_t>(ReadWhole(dir / "Mtown.mif").size() + ReadWhole(dir / "Mtown.mid").size() +
                                 ReadWhole(dir / "Stown.mif").size() + ReadWhole(dir / "Stown.mid").size() +
                                 ReadWhole(dir / "Ttown.mif").size() + kGoodRows.size()));
}

// Each refused row leaves with the file and line in front of what is wrong,
// the M and S layers stored and the graph not rebuilt.
TEST_F(RestrictionLayer, RefusedRowsNameTheFileAndLine) {
  const std::string good = "\"no_left_turn\",\"no\",1,2,3,\"\"\n";
  const struct {
    const char* name;
    std::string mif, mid, type, message;
  } cases[] = {
      {"a kind neither no nor only", "", "\"x\",\"maybe\",1,2,3,\"\"\n", "EConvertError",
       "Ttown.mid, line 2: turn restriction kind 'maybe' is neither no nor only"},
      {"a kind in capitals", "", "\"x\",\"No\",1,2,3,\"\"\n", "EConvertError",
       "Ttown.mid, line 2: turn restriction kind 'No' is neither no nor only"},
      {"From beyond the segments", "", "\"x\",\"no\",5,2,3,\"\"\n", "Exception",
       "Ttown.mid, line 2: From segment 5 is not a segment of the map (0 to 4)"},
      {"From negative", "", "\"x\",\"no\",-1,2,3,\"\"\n", "Exception",
       "Ttown.mid, line 2: From segment -1 is not a segment of the map (0 to 4)"},
      {"To beyond the segments", "", "\"x\",\"no\",1,5,3,\"\"\n", "Exception",
       "Ttown.mid, line 2: To segment 5 is not a segment of the map (0 to 4)"},
      {"a way beyond the segments", "", "\"x\",\"no\",0,3,2,\"1 7\"\n", "Exception",
       "Ttown.mid, line 2: Ways segment 7 is not a segment of the map (0 to 4)"},
      {"Via 0", "", "\"x\",\"no\",1,2,0,\"\"\n", "Exception",
       "Ttown.mid, line 2: Via 0 is not a junction of the map (1 to 5)"},
      {"Via beyond the junctions", "", "\"x\",\"no\",1,2,6,\"\"\n", "Exception",
       "Ttown.mid, line 2: Via 6 is not a junction of the map (1 to 5)"},
      {"From not ending at Via", "", "\"x\",\"no\",0,2,3,\"\"\n", "Exception",
       "Ttown.mid, line 2: From segment 0 does not end at junction 3"},
      {"To not starting at Via", "", "\"x\",\"no\",1,0,3,\"\"\n", "Exception",
       "Ttown.mid, line 2: To segment 0 does not end at junction 3"},
      {"the first way not starting at Via", "", "\"x\",\"no\",0,3,2,\"2\"\n", "Exception",
       "Ttown.mid, line 2: Ways segment 2 does not end at junction 2"},
      {"a way not going on from the one before", "", "\"x\",\"no\",0,3,2,\"1 3\"\n", "Exception",
       "Ttown.mid, line 2: Ways segment 3 does not end at junction 3"},
      {"To not going on from the last way", "", "\"x\",\"no\",0,4,2,\"1 2\"\n", "Exception",
       "Ttown.mid, line 2: To segment 4 does not end at junction 4"},
      {"a malformed number", "", "\"x\",\"no\",1,x2,3,\"\"\n", "EConvertError",
       "Ttown.mid, line 2: 'x2' is not a valid integer value"},
      {"ways apart by two blanks", "", "\"x\",\"no\",0,3,2,\"1  2\"\n", "EConvertError",
       "Ttown.mid, line 2: '' is not a valid integer value"},
      {"a row beyond the points", RestrictionPoints(kRestrictionHeader, 1), "\"x\",\"no\",1,2,3,\"\"\n",
       "DynArrayOutOfRange", "Ttown.mid, line 2: Index 1 out of range (length 1)"},
      {"a malformed point", kRestrictionHeader + "Point 100 100\nPoint 1 y\n", "", "EConvertError",
       "Ttown.mif, line 13: 'y' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    const std::string map =
        WriteSquare(c.mif.empty() ? RestrictionPoints(kRestrictionHeader, 4) : c.mif, good + c.mid);
    const Refusal refusal = RefusalOf([&] { LoadMapLayers(map); });
    EXPECT_EQ(refusal.type, c.type);
    EXPECT_EQ(refusal.message, c.message);
    EXPECT_EQ(pointCount, 5);
    EXPECT_EQ(segmentCount, 5);
    EXPECT_EQ(nodeCount, 77);  // the previous graph
  }
}

// A file named as the T layer's .mif that does not declare exactly its
// columns before its first Point, or either file alone, is no T layer:
// the .mid file is not read (its rows would be refused), and the map
// loads as the M and S layers alone load.
TEST_F(RestrictionLayer, OtherFilesOfItsNameAreIgnored) {
  const std::string refusedRows = "\"x\",\"maybe\",9,9,9,\"9 9\"\n";
  const std::string columns =
      "  Rule Char(32)\n  Kind Char(4)\n  From Integer\n  To Integer\n  Via Integer\n";
  const struct {
    const char* name;
    std::string mif, mid;
  } cases[] = {
      {"no T layer files", "", ""},
      {"only the .mif file", RestrictionPoints(kRestrictionHeader, 4), ""},
      {"only the .mid file", "", kGoodRows},
      {"Ways missing", "Columns 5\n" + columns + "Data\nPoint 1 1\n", refusedRows},
      {"a seventh column", "Columns 7\n" + columns + "  Ways Char(254)\n  Note Char(9)\nData\nPoint 1 1\n",
       refusedRows},
      {"Rule and Kind swapped",
       "Columns 6\n  Kind Char(4)\n  Rule Char(32)\n  From Integer\n  To Integer\n  Via Integer\n"
       "  Ways Char(254)\nPoint 1 1\n",
       refusedRows},
      {"fewer column lines than Columns declares", "Columns 7\n" + columns + "  Ways Char(254)\nPoint 1 1\n",
       refusedRows},
      {"the columns after the first Point", "Point 1 1\nColumns 6\n" + columns + "  Ways Char(254)\n",
       refusedRows},
      {"no Columns block", "Version 300\nData\nPoint 1 1\nPoint 2 x\n", refusedRows},
      {"an S layer", "Columns 3\n  From Integer\n  To Integer\n  Length Integer\nPline 2\n1 2\n3 4\n",
       "1,2,3\n"},
      {"an empty .mif file", "\n", refusedRows},
      {"an empty T layer", kRestrictionHeader, "\n"},
      {"points without rows", RestrictionPoints(kRestrictionHeader, 3), "\n"},
  };
  TempDir bare;
  const LoadResult alone = RunLoad(WriteLayers(bare, SquareWithTail()), [](const std::string& map) {
    EXPECT_TRUE(LoadMapLayers(map).rows.empty());
  });
  ASSERT_EQ(alone.failure, "");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir caseDir;
    if (!c.mif.empty()) WriteFile(caseDir / "Ttown.mif", c.mif);
    if (!c.mid.empty()) WriteFile(caseDir / "Ttown.mid", c.mid);
    LoadProgress progress;
    const LoadResult loaded = RunLoad(WriteLayers(caseDir, SquareWithTail()), [&](const std::string& map) {
      EXPECT_TRUE(LoadMapLayers(map, &progress).rows.empty());
    });
    EXPECT_EQ(loaded, alone);
    EXPECT_EQ(progress.bytesRead, progress.totalBytes);
  }
}

// The T layer's files are found as the S layer's are, ignoring letter case,
// and its column names are compared ignoring letter case.
TEST_F(RestrictionLayer, NamesAreMatchedIgnoringLetterCase) {
  std::string header = kRestrictionHeader;
  for (const char* name : {"Rule", "Kind", "From", "Via", "Ways"}) {
    const size_t at = header.find(std::string("  ") + name);
    for (size_t k = at + 2; header[k] != ' '; ++k) header[k] = static_cast<char>(std::toupper(header[k]));
  }
  WriteFile(dir / "TTOWN.MIF", RestrictionPoints(header, 4));
  WriteFile(dir / "ttown.mid", kGoodRows);
  EXPECT_EQ(LoadMapLayers(WriteLayers(dir, SquareWithTail())).rows.size(), 4u);
}

// A cancel is obeyed while the T layer is read, as in the other layers.
TEST_F(RestrictionLayer, CancelIsObeyedInTheTLayer) {
  const std::string map = WriteSquare(RestrictionPoints(kRestrictionHeader, 150000), kGoodRows);
  LoadProgress progress;
  progress.cancel = true;
  EXPECT_THROW(LoadMapLayers(map, &progress), ELoadCancelled);
  EXPECT_EQ(progress.phase.load(), LoadProgress::kReadingRestrictions);
  EXPECT_EQ(pointCount, 5);
  // The status line tells the phase and the share of the bytes read.
  EXPECT_GT(WorkPercent(progress), 0);
  EXPECT_LT(WorkPercent(progress), 100);
  EXPECT_EQ(WorkStatusText(progress, "Mtown.mif"),
            "Reading the turn restrictions: " + std::to_string(WorkPercent(progress)) + "%");
}

// The rows an OpenStreetMap import writes come back as they were written:
// on a grid of two rows of three nodes, turns at a node and through one
// and two ways.
TEST_F(RestrictionLayer, ImportedRowsComeBack) {
  std::string items = "n1 0 0|n2 1 0|n3 2 0|n4 0 1|n5 1 1|n6 2 1|";
  for (const char* way : {"w1 1 2", "w2 2 3", "w3 4 5", "w4 5 6", "w5 1 4", "w6 2 5", "w7 3 6"})
    items += std::string(way) + " highway=residential|";
  items +=
      "r1 from:w1 via:n2 to:w6 restriction=no_left_turn|"
      "r2 from:w7 via:n3 to:w2 restriction=only_right_turn|"
      "r3 from:w5 via:w3 to:w6 restriction=no_right_turn|"
      "r4 from:w1 via:w6 via:w4 to:w7 restriction=no_straight_on|"
      "r5 from:w3 via:n5 to:w3 restriction=no_u_turn";
  WriteFile(dir / "in.osm", OsmXml(items));
  QuietRequest request(dir / "in.osm", dir / "Mmap.mif");
  ASSERT_EQ(ImportRoads(request.request).restrictionsWritten, 5);
  // The rows as written, read apart from the loader: the quotes dropped,
  // the fields but the rule in order.
  std::string written;
  std::istringstream rows(ReadWhole(dir / "Tmap.mid"));
  for (std::string row; std::getline(rows, row);) {
    row.erase(std::remove(row.begin(), row.end(), '"'), row.end());
    std::string field;
    std::istringstream fields(row.substr(row.find(',') + 1));
    for (int k = 0; std::getline(fields, field, ','); ++k) written += (k ? " " : "") + field;
    written += ";";
  }
  ClearMapStore();
  EXPECT_EQ(Described(LoadMapLayers(dir / "Mmap.mif")), written);
}

// The window holds the restrictions of the map it opened until the next
// Open or Close.
using RestrictionWindow = MainFormTest;
TEST_F(RestrictionWindow, HeldFromTheLoadUntilClose) {
  TempDir withLayer, without;
  WriteFile(withLayer / "Ttown.mif", RestrictionPoints(kRestrictionHeader, 4));
  WriteFile(withLayer / "Ttown.mid", kGoodRows);
  for (const int round : {0, 1}) {
    SCOPED_TRACE(round);
    fMain->OpenGivenMap(WriteLayers(withLayer, SquareWithTail()));
    WaitForMapWork();
    EXPECT_EQ(Described(fMain->Restrictions()), "no 1 2 3;only 1 4 3;no 0 3 2 1 2;no 4 4 3;");
    // The window's routes obey them, from the turn graph handed over with the road graph.
    ASSERT_TRUE(fMain->fastRoutes->Turns());
    const TurnRoads roads = RoadsOfStore(false);
    for (int32_t start = 1; start <= pointCount; ++start) {
      for (int32_t target = 1; target <= pointCount; ++target) {
        if (fMain->fastRoutes->Find(start, target) == RouteNotFound()) continue;
        const TurnRoute route{true, 0, RouteCodes(), RouteSegments()};
        EXPECT_FALSE(BreaksARow(route, fMain->Restrictions())) << start << " to " << target;
        EXPECT_FALSE(HasForbiddenUTurn(route, roads)) << start << " to " << target;
      }
    }
    if (round == 0) {
      fMain->Close1Click(fMain->Close1);
    } else {
      fMain->OpenGivenMap(WriteLayers(without, SquareWithTail()));
      WaitForMapWork();
    }
    EXPECT_TRUE(fMain->Restrictions().rows.empty());
    EXPECT_FALSE(fMain->fastRoutes->Turns());
  }
}

// `info` counts the restrictions of a map with a T layer, and a refused T
// layer fails it as any refused layer does.
TEST(RuvelRouteInfo, CountsTheTurnRestrictions) {
  TempDir dir;
  WriteFile(dir / "Ttown.mif", RestrictionPoints(kRestrictionHeader, 5));
  const std::string info = "'" + kRuvelRoute + "' info '" + WriteLayers(dir, SquareWithTail()) + "'";
  WriteFile(dir / "Ttown.mid", kGoodRows);
  const CommandResult counted = RunCommand(info);
  EXPECT_EQ(counted.exitCode, 0) << counted.err;
  EXPECT_EQ(counted.out,
            "points: 5\nsegments: 5\nbounds: 0 0 200 100\ngraph: 5 nodes, 10 entries\nrestrictions: 4\n");
  WriteFile(dir / "Ttown.mid", kGoodRows + "\"no_left_turn\",\"no\",0,2,3,\"\"\n");
  const CommandResult refused = RunCommand(info);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, "ruvel-route: Ttown.mid, line 5: From segment 0 does not end at junction 3\n");
}
