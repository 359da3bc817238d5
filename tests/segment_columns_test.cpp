// The S layer's optional columns: one-way roads, durations and names, read
// from the header's Columns block in any order, and what they change: the
// graph's entries, and the fastest route in the window and the companion.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "app/main_form.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "tests/main_form_fixture.h"
#include "tests/test_files.h"
#include "toolkit/controls.h"
#include "toolkit/exceptions.h"
#include "toolkit/menus.h"

namespace {

// Four junctions on a square, 1 (0, 0), 2 (100, 0), 3 (100, 100), 4 (0, 100),
// and the S layer's header declaring the columns after the first three.
LayerTexts Square(const std::string& extraColumns, int columnCount, const std::string& rows) {
  LayerTexts map;
  map.mMif = "Point 0 0\nPoint 100 0\nPoint 100 100\nPoint 0 100\n";
  map.mMid = "1,\"a\"\n2,\"b\"\n3,\"c\"\n4,\"d\"\n";
  map.sMif = "Version 300\nColumns " + std::to_string(columnCount) +
             "\n  From Integer\n  To Integer\n  Length Integer\n" + extraColumns + "Data\n";
  for (const char* ends : {"0 0\n100 0\n", "100 0\n100 100\n", "100 100\n0 100\n", "0 100\n0 0\n"})
    map.sMif += std::string("Pline 2\n") + ends + "    Pen (1,2,0)\n";
  map.sMid = rows;
  return map;
}

class SegmentColumns : public MainFormTest {
 protected:
  // Loads map into a cleared store; the message of the refusal that stopped
  // the load, empty when it completed.
  std::string LoadFailure(const LayerTexts& map) {
    ClearMapStore();
    try {
      LoadMapLayers(WriteLayers(dir, map));
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }

  TempDir dir;
};

}  // namespace

// The three columns in any order and letter case, among others, after
// quoted names holding commas and doubled quotes.
TEST_F(SegmentColumns, AreReadInAnyOrderAfterTheThird) {
  const struct {
    const char* name;
    std::string columns;
    int count;
    std::string rows;
  } cases[] = {
      {"Oneway, Duration, Name", "  Oneway Integer\n  Duration Integer\n  Name Char(40)\n", 6,
       "1,2,100,1,72,\"Rue, de \"\"la\"\" Gare\"\n2,3,100,0,36,Quai\n3,4,100,-1,0,\"\"\n4,1,100,0,9,\"x\"\n"},
      {"NAME, surface, ONEWAY, duration",
       "  NAME Char(40)\n  Surface Char(10)\n  ONEWAY SmallInt\n  duration Integer\n", 7,
       "1,2,100,\"Rue, de \"\"la\"\" Gare\",\"paved\",1,72\n2,3,100,Quai,x,0,36\n3,4,100,,,-1,0\n"
       "4,1,100,\"x\",\"\",0,9\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearMapStore();
    LoadMapLayers(WriteLayers(dir, Square(c.columns, c.count, c.rows)));
    EXPECT_EQ(segmentOneway, (std::vector<int8_t>{1, 0, -1, 0}));
    EXPECT_EQ(segmentDuration, (std::vector<int32_t>{72, 36, 0, 9}));
    const std::vector<std::string> names{"Rue, de \"la\" Gare", "Quai", "", "x"};
    ASSERT_EQ(segmentName.size(), names.size());
    for (size_t j = 0; j < names.size(); ++j) EXPECT_EQ(segmentName[j], names[j]);
    EXPECT_EQ(segments[3].Length, 100);
    EXPECT_EQ(segments[3].To, 1);
  }
}

// Bad values stop the load at their line; a header with no optional column
// reads rows as it always did, ignoring what follows a third comma.
TEST_F(SegmentColumns, BadValuesStopTheLoadAndOtherHeadersChangeNothing) {
  const std::string columns = "  Oneway Integer\n  Duration Integer\n";
  const struct {
    std::string rows, message;
  } refusals[] = {
      {"1,2,100,0,5\n2,3,100,2,5\n", "Sfuzz.mid, line 2: one-way value 2 is not -1, 0 or 1"},
      {"1,2,100,0,-5\n", "Sfuzz.mid, line 1: duration -5 is negative"},
      {"1,2,100,0\n", "Sfuzz.mid, line 1: '' is not a valid integer value"},
  };
  for (const auto& r : refusals) {
    ClearMapStore();
    try {
      LoadMapLayers(WriteLayers(dir, Square(columns, 5, r.rows), "fuzz"));
      ADD_FAILURE() << "loaded: " << r.rows;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), r.message);
    }
  }
  ClearMapStore();
  LoadMapLayers(WriteLayers(dir, Square("  Surface Char(9)\n", 4, "1,2,7,\"a,b\"\n2,3,8,x,y\n")));
  EXPECT_TRUE(segmentOneway.empty() && segmentDuration.empty() && segmentName.empty());
  EXPECT_EQ(segments[1].Length, 8);
}

// The Class column in any order and letter case among the others, its
// value taken whole (quotes removed) with letter case ignored; anything but
// a class name is a minor road. A map without it has no classes.
TEST_F(SegmentColumns, ClassIsReadInAnyOrderAndOddValuesAreMinor) {
  using C = RoadClass;
  const struct {
    const char* name;
    std::string columns;
    int count;
    std::string rows;
    std::vector<RoadClass> classes;
  } cases[] = {
      {"Class last",
       "  Oneway Integer\n  Class Char(12)\n",
       5,
       "1,2,100,0,motorway\n2,3,100,0,\"Trunk\"\n3,4,100,1,PATH\n4,1,100,0,service\n",
       {C::kMotorway, C::kTrunk, C::kPath, C::kService}},
      {"cLaSs first, odd values",
       "  cLaSs Char(12)\n  Name Char(20)\n  Duration Integer\n",
       6,
       "1,2,100, primary,a,5\n2,3,100,tertiary ,b,5\n3,4,100,\"sec\"\"ondary\",c,5\n4,1,100,\x01,d,5\n",
       {C::kMinor, C::kMinor, C::kMinor, C::kMinor}},
      {"fewer rows and fields",
       "  Surface Char(9)\n  CLASS Char(12)\n",
       5,
       "1,2,100,x,secondary\n2,3,100\n",
       {C::kSecondary, C::kMinor, C::kMinor, C::kMinor}},
      {"no Class column", "  Classes Char(9)\n", 4, "1,2,100,motorway\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearMapStore();
    LoadMapLayers(WriteLayers(dir, Square(c.columns, c.count, c.rows)));
    EXPECT_EQ(segmentClass, c.classes);
    EXPECT_EQ(MapHasRoadClasses(), !c.classes.empty());
    EXPECT_EQ(segments[0].To, 2);
  }
  ClearMapStore();
}

// A one-way road is entered only where it may be left: 1 to 2 along the
// first road (From to To), 1 to 4 along the last (To to From, -1); neither
// leads back to 1.
TEST_F(SegmentColumns, OneWayRoadsAreEnteredWhereTheyMayBeLeft) {
  LoadMapLayers(
      WriteLayers(dir, Square("  Oneway Integer\n", 4, "1,2,100,1\n2,3,100,0\n3,4,100,0\n4,1,100,-1\n")));
  EXPECT_EQ(adjCount, 6);
  const struct {
    int32_t start, target;
    std::vector<int32_t> route;
  } cases[] = {{1, 2, {1, 2}}, {1, 4, {1, 4}}, {4, 2, {4, 3, 2}}, {2, 1, {}}, {4, 1, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + " to " + std::to_string(c.target));
    const int32_t count = FindRoute(c.start, c.target);
    EXPECT_EQ(RouteCodes(), c.route);
    EXPECT_EQ(count, c.route.empty() ? RouteNotFound() : static_cast<int32_t>(c.route.size()));
  }
}

// Fastest weighs the roads by their durations: from 1 to 3 the short way by
// 2 is slow, the long way by 4 fast. Toggling it finds the route again.
TEST_F(SegmentColumns, FastestFindsTheQuickestRouteInTheWindowAndTheCompanion) {
  const std::string map = WriteLayers(
      dir, Square("  Duration Integer\n", 4, "1,2,100,900\n2,3,100,900\n3,4,150,100\n4,1,150,100\n"));
  fMain->OpenGivenMap(map);
  WaitForMapWork();
  ASSERT_TRUE(fMain->Fastest1->Enabled());
  startPoint = 0;
  currentPoint = 2;
  ASSERT_EQ(FindRoute(1, 3), 3);
  EXPECT_EQ(RouteCodes(), (std::vector<int32_t>{1, 2, 3}));
  fMain->Fastest1Click(fMain->Fastest1);
  WaitForMapWork();
  EXPECT_TRUE(fMain->Fastest1->Checked());
  EXPECT_EQ(RouteCodes(), (std::vector<int32_t>{1, 4, 3}));
  EXPECT_EQ(fMain->EditL->Text(), "3");
  EXPECT_EQ(RouteLength(), 300);  // the length of the roads, whatever weighs them
  fMain->Fastest1Click(fMain->Fastest1);
  WaitForMapWork();
  EXPECT_EQ(RouteCodes(), (std::vector<int32_t>{1, 2, 3}));

  const CommandResult fast = RunCommand("'" + kRuvelRoute + "' route '" + map + "' 1 3 --fastest");
  EXPECT_EQ(fast.out.substr(0, fast.out.find('\n')), "route 1 3: 3 points, length 300");
  EXPECT_NE(fast.out.find("codes: 1 4 3\n"), std::string::npos) << fast.out;

  const std::string plain = WriteLayers(dir, Square("", 3, "1,2,100\n2,3,100\n"), "plain");
  fMain->OpenGivenMap(plain);
  WaitForMapWork();
  EXPECT_FALSE(fMain->Fastest1->Enabled());
  const CommandResult refused = RunCommand("'" + kRuvelRoute + "' route '" + plain + "' 1 3 --fastest");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("--fastest needs them"), std::string::npos) << refused.err;
}

// Thousands of rows with every column, read beside the geometry: each row's
// values as written, also past where the aside columns grow; a bad value in
// a late row, or a row with no segment, stops the load at that row's line
// with the rows before it stored, as a load of one file after the other.
TEST_F(SegmentColumns, ManyRowsKeepTheirValuesUpToAFault) {
  const char* const kClasses[] = {"motorway", "primary", "track", "footway"};
  constexpr int32_t kRows = 5000;
  const std::string columns = "  Oneway Integer\n  Duration Integer\n  Name Char(20)\n  Class Char(12)\n";
  LayerTexts map = Square(columns, 7, "");
  for (int32_t r = 4; r < kRows; ++r) map.sMif += "Pline 2\n0 0\n100 0\n";
  std::vector<std::string> rows;
  for (int32_t r = 0; r < kRows; ++r) {
    rows.push_back("1,2," + std::to_string(r) + "," + std::to_string(r % 3 - 1) + "," +
                   std::to_string(7 * r) + ",\"n" + std::to_string(r) + "\"," + kClasses[r % 4] + "\n");
  }
  const auto text = [&rows](int32_t from, int32_t to) {
    std::string joined;
    for (int32_t r = from; r < to; ++r) joined += rows[r];
    return joined;
  };
  const struct {
    std::string sMid, message;
    int32_t rowsStored;
  } cases[] = {
      {text(0, kRows), "", kRows},
      {text(0, 4321) + "1,2,3,2,5,x,y\n", "Stown.mid, line 4322: one-way value 2 is not -1, 0 or 1", 4321},
      {text(0, kRows) + "1,2,3\n", "Stown.mid, line 5001: Index 5000 out of range (length 5000)", kRows},
  };
  for (const auto& c : cases) {
    map.sMid = c.sMid;
    EXPECT_EQ(LoadFailure(map), c.message);
    ASSERT_EQ(segmentOneway.size(), static_cast<size_t>(kRows));
    for (int32_t r = 0; r < c.rowsStored; ++r) {
      ASSERT_EQ(segments[r].Length, r) << r;
      ASSERT_EQ(segmentOneway[r], r % 3 - 1) << r;
      ASSERT_EQ(segmentDuration[r], 7 * r) << r;
      ASSERT_EQ(segmentName[r], "n" + std::to_string(r)) << r;
      ASSERT_EQ(segmentClass[r], RoadClassFromText(kClasses[r % 4])) << r;
    }
  }
}

// Rows in their plainest form (three numbers, then the class alone or
// nothing) are read as every other row is: each row is also loaded with a
// column of no use inserted before the class, which no plain row has, and
// both loads must leave the same segments and classes, or fail alike.
TEST_F(SegmentColumns, PlainRowsReadAsRowsWithMoreColumns) {
  const char* const kNumbers[] = {"0", "7", "-3",        "007",        "+5",
                                  "x", "",  "123456789", "2147483647", "99999999999"};
  const char* const kTails[] = {"",       ",motorway", ",Trunk",   ",path\r",    ",\"primary\"", ",minor,x",
                                ",track", ",",         ",service", ",tertiary ", ",secondary"};
  std::mt19937 random(7);
  const auto pick = [&random](const auto& options) {
    return options[std::uniform_int_distribution<size_t>(0, std::size(options) - 1)(random)];
  };
  for (int run = 0; run < 40; ++run) {
    const bool classes = run % 2 == 0;
    LayerTexts plain = Square(classes ? "  Class Char(12)\n" : "", classes ? 4 : 3, "");
    LayerTexts wider = Square(std::string("  Surface Char(9)\n") + (classes ? "  Class Char(12)\n" : ""),
                              classes ? 5 : 4, "");
    const int32_t rows = 300 + run * 37;
    for (int32_t r = 4; r < rows; ++r) plain.sMif += "Pline 2\n0 0\n100 0\n";
    wider.sMif = wider.sMif.substr(0, wider.sMif.find("Data")) + plain.sMif.substr(plain.sMif.find("Data"));
    const std::string lineFeed = run % 3 == 0 ? "\r\n" : "\n";
    for (int32_t r = 0; r < rows; ++r) {
      const bool odd = r % 97 == 0;  // now and then a row that stops the load
      const std::string ends = std::to_string(r % 4 + 1) + ",2," + (odd ? pick(kNumbers) : std::to_string(r));
      const std::string tail = classes || r % 5 == 0 ? pick(kTails) : "";
      plain.sMid += ends + tail + lineFeed;
      wider.sMid += ends + ",s" + tail + lineFeed;
    }
    const auto load = [this](const LayerTexts& map) {
      const std::string failure = LoadFailure(map);
      std::vector<int32_t> ends;
      for (int32_t j = 0; j < segmentCount; ++j)
        ends.insert(ends.end(), {segments[j].From, segments[j].To, segments[j].Length});
      return std::make_tuple(failure, ends, segmentClass);
    };
    ASSERT_EQ(load(plain), load(wider)) << "run " << run;
  }
  ClearMapStore();
}
