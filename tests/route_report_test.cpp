// The route told as a route planner tells it: the status line below the map,
// the duration and roads of ruvel-route route, and GPX out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/map_handlers.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "route/route_summary.h"
#include "tests/main_form_fixture.h"
#include "tests/ogr_sources.h"
#include "tests/store_setup.h"
#include "tests/test_files.h"
#include "toolkit/controls.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"

namespace {

// A street of five junctions 300 m apart in UTM zone 33 north, and a lone
// junction beyond: roads "Rue A" twice, one without a name, "Quai B";
// durations 10 s, 20 s, 30 s, 400 s.
LayerTexts Street() {
  LayerTexts map;
  map.mMif = "Version 300\nCoordSys Earth Projection 8, 104, \"m\", 15, 0, 0.9996, 500000, 0\nData\n";
  for (int i = 0; i < 5; ++i) map.mMif += "Point " + std::to_string(400000 + 300 * i) + " 5800000\n";
  map.mMif += "Point 402000 5801000\n";
  map.mMid = "1,Ash\n2,Birch\n3,Cedar\n4,Dale\n5,Elm\n6,Fir\n";
  map.sMif =
      "Version 300\nColumns 5\n  From Integer\n  To Integer\n  Length Integer\n  Name Char(40)\n"
      "  Duration Integer\nData\n";
  for (int i = 0; i < 4; ++i) {
    map.sMif += "Pline 2\n" + std::to_string(400000 + 300 * i) + " 5800000\n" +
                std::to_string(400300 + 300 * i) + " 5800000\n";
  }
  map.sMid = "1,2,300,\"Rue A\",100\n2,3,300,\"Rue A\",200\n3,4,300,\"\",300\n4,5,300,\"Quai B\",4000\n";
  return map;
}

class RouteReport : public MainFormTest {
 protected:
  TempDir dir;
};

}  // namespace

// The status line for the route 1 to 5, cut to narrower and narrower bars,
// for an unreachable target and after Close; the texts it is made of.
TEST_F(RouteReport, StatusLineTellsDistanceTimeAndRoads) {
  EXPECT_EQ(DistanceText(850, true), "850 m");
  EXPECT_EQ(DistanceText(4215, true), "4.21 km");
  EXPECT_EQ(DistanceText(5995, false), "length 5995");
  EXPECT_EQ(DurationText(4000), "6 min 40 s");
  EXPECT_EQ(DurationText(39000), "1 h 05 min");
  EXPECT_EQ(DurationText(404), "40 s");

  fMain->OpenGivenMap(WriteLayers(dir, Street()));

  WaitForMapWork();
  const int32_t count = FindRoute(1, 5);
  const struct {
    size_t room;
    std::string text;
  } cuts[] = {
      {100, "1.20 km, 7 min 40 s, Rue A - Quai B"},
      {33, "1.20 km, 7 min 40 s, Rue A - ..."},
      {25, "1.20 km, 7 min 40 s, ..."},
  };
  for (const auto& c : cuts) {
    EXPECT_EQ(RouteStatusText(count, [&](const std::string& text) { return text.size() <= c.room; }), c.text);
  }

  startPoint = 0;
  fMain->ImageMMouseMove(fMain->ImageM, 0, 409, 390);  // the far end of the street
  ASSERT_EQ(currentPoint, 4);
  EXPECT_EQ(fMain->StatusBar1->SimpleText(), "1.20 km, 7 min 40 s, Rue A - Quai B");
  MakeCurrentPoint(fMain, 5);  // the lone junction
  EXPECT_EQ(fMain->StatusBar1->SimpleText(), "no route");
  fMain->Close1Click(fMain->Close1);
  EXPECT_EQ(fMain->StatusBar1->SimpleText(), "");
}

// The roads a route takes, told once while the name stays the same: an
// unnamed piece between two pieces of one road does not part them, but the
// road met again after another one is told again.
TEST(RouteRoadNames, RepeatsMergeAcrossUnnamedPiecesOnly) {
  const struct {
    std::vector<std::string> along;
    std::vector<std::string> told;
  } cases[] = {
      {{"A", "", "A", "B"}, {"A", "B"}},
      {{"A", "B", "A"}, {"A", "B", "A"}},
      {{"", "A", "A", "", "", "B", "", "B", "A"}, {"A", "B", "A"}},
      {{"", ""}, {}},
  };
  for (const auto& c : cases) {
    const int32_t n = static_cast<int32_t>(c.along.size());
    std::vector<PointSpec> chain;
    std::vector<SegmentSpec> roads;
    for (int32_t i = 0; i <= n; ++i) chain.push_back({i, 0, i + 1});
    for (int32_t i = 0; i < n; ++i) roads.push_back({i + 1, i + 2, 1, {}});
    SetMap(chain, roads);
    segmentName.Assign(c.along.size());
    for (size_t i = 0; i < c.along.size(); ++i) segmentName.Set(i, c.along[i]);
    ASSERT_EQ(FindRoute(1, n + 1), n + 1);
    std::vector<std::string> told;
    ForEachRoadName([&](const std::string& name) {
      told.push_back(name);
      return true;
    });
    EXPECT_EQ(told, c.told) << testing::PrintToString(c.along);
  }
  ClearMapAndRoute();
}

// ruvel-route route adds the duration and the roads; --gpx gives a track per
// route whose points OGR reads back within a centimetre of --geojson's.
TEST_F(RouteReport, CompanionTellsDurationRoadsAndWritesGpx) {
  const std::string map = WriteLayers(dir, Street());
  const CommandResult text = RunCommand("'" + kRuvelRoute + "' route '" + map + "' 1 5");
  EXPECT_NE(text.out.find("\nduration: 460.0\nroads: Rue A - Quai B\n"), std::string::npos) << text.out;

  const CommandResult json = RunCommand("'" + kRuvelRoute + "' route '" + map + "' 1 5 1 6 --geojson");
  ASSERT_EQ(json.exitCode, 0) << json.err;
  EXPECT_NE(json.out.find("\"duration\":460.0,\"roads\":[\"Rue A\",\"Quai B\"]"), std::string::npos)
      << json.out;
  const CommandResult gpx = RunCommand("'" + kRuvelRoute + "' route '" + map + "' 1 5 1 6 --gpx");
  ASSERT_EQ(gpx.exitCode, 0) << gpx.err;
  WriteFile(dir / "route.geojson", json.out);
  WriteFile(dir / "route.gpx", gpx.out);
  const std::vector<ReadBackFeature> tracks = ReadOgrLayer(dir / "route.gpx", "tracks");
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(tracks[0].fields.at("name"), "1-5");
  EXPECT_EQ(tracks[1].fields.at("name"), "1-6");
  EXPECT_EQ(tracks[1].wkt, "MULTILINESTRING EMPTY");  // unreachable: no segment
  const std::vector<LonLat> along = PositionsOf(ReadOgrLayer(dir / "route.geojson")[0].wkt);
  // The one segment of the track, as a line.
  const std::string& wkt = tracks[0].wkt;
  const std::vector<LonLat> tracked =
      PositionsOf("LINESTRING " + wkt.substr(wkt.find('(') + 1, wkt.rfind(')') - wkt.find('(') - 1));
  ASSERT_EQ(tracked.size(), along.size());
  for (size_t k = 0; k < along.size(); ++k) EXPECT_LT(GeodesicMetres(tracked[k], along[k]), 0.01) << k;

  EXPECT_EQ(RunCommand("'" + kRuvelRoute + "' route '" + map + "' 1 5 --gpx --geojson").exitCode, 2);
  const LayerTexts plain = ExampleTown();
  const CommandResult refused =
      RunCommand("'" + kRuvelRoute + "' route '" + WriteLayers(dir, plain, "plain") + "' 1 3 --gpx");
  EXPECT_EQ(refused.exitCode, 1);
}
