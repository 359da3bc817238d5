// The route told as a route planner tells it: the status line below the map,
// the duration and roads of ruvel-route route, and GPX out.
#include <gtest/gtest.h>

#include <QImage>
#include <QListWidget>
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
#include "toolkit/forms.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/list_box.h"
#include "toolkit/menus.h"
#include "view/map_image.h"
#include "view/map_transform.h"
#include "view/road_map_renderer.h"

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

// ruvel-route route through vias, with --directions as text, the steps in
// GeoJSON and as a GPX route before the tracks; how it refuses vias.
TEST_F(RouteReport, CompanionRoutesThroughViasAndTellsTheSteps) {
  const std::string map = WriteLayers(dir, Street());
  const std::string route = "'" + kRuvelRoute + "' route '" + map + "' ";
  const CommandResult text = RunCommand(route + "1 5 --via 3 --directions --via 2");
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_NE(text.out.find("route 1 5: 7 points, length 1800\ncodes: 1 2 3 2 3 4 5\nsegments: 0 1 1 1 2 3\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("step 1: Head east on Rue A; 600 m; 30.0 s\n"
                          "step 2: Make a U-turn onto Rue A; 300 m; 20.0 s\n"
                          "step 3: Make a U-turn onto Rue A; 300 m; 20.0 s\n"
                          "step 4: Continue onto an unnamed road; 300 m; 30.0 s\n"
                          "step 5: Continue onto Quai B; 300 m; 400.0 s\n"
                          "step 6: Arrive at 5: Elm; 0 m; 0.0 s\n"),
            std::string::npos)
      << text.out;
  const CommandResult plain = RunCommand("'" + kRuvelRoute + "' route '" +
                                         WriteLayers(dir, ExampleTown(), "plain") + "' 1 3 --directions");
  EXPECT_NE(plain.out.find("\nstep 1: Head east; length 410\nstep 2: Arrive at 3: Ford; length 0\n"),
            std::string::npos)
      << plain.out;

  const CommandResult json = RunCommand(route + "1 5 1 6 --geojson");
  EXPECT_NE(
      json.out.find("\"steps\":[{\"instruction\":\"Head east on Rue A\",\"distance\":600,\"duration\":30.0,"
                    "\"code\":1,\"position\":["),
      std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"roads\":null,\"steps\":null}"), std::string::npos) << json.out;
  const CommandResult gpx = RunCommand(route + "1 5 1 6 --gpx");
  EXPECT_NE(gpx.out.find("\"><name>Continue onto Quai B</name></rtept>"), std::string::npos) << gpx.out;
  EXPECT_LT(gpx.out.rfind("<rte>"), gpx.out.find("<trk>"));

  const struct {
    std::string args;
    int exitCode;
  } refusals[] = {{"1 5 1 4 --via 3", 2}, {"1 5 --via", 2}, {"1 5 --via x", 2}, {"1 5 --via 9", 1}};
  for (const auto& r : refusals) EXPECT_EQ(RunCommand(route + r.args).exitCode, r.exitCode) << r.args;
}

namespace {

// The pixel of point index in the window's view.
int32_t PixelX(int32_t index) { return static_cast<int32_t>(ZoomedPixelX(fMain->mapView, points[index].X)); }
int32_t PixelY(int32_t index) { return static_cast<int32_t>(ZoomedPixelY(fMain->mapView, points[index].Y)); }

// Moves the pointer onto point index, and clicks there with shift unless
// it is kNoClick.
constexpr TShiftState kNoClick = ~0u;
void PointAt(int32_t index, TShiftState shift = kNoClick) {
  fMain->ImageMMouseMove(fMain->ImageM, 0, PixelX(index), PixelY(index));
  if (shift != kNoClick) fMain->ImageMMouseDown(fMain->ImageM, mbLeft, shift, PixelX(index), PixelY(index));
}

// The Length box, the status line and the panel's lines.
std::string Shown() {
  std::string shown = fMain->EditL->Text() + " | " + fMain->StatusBar1->SimpleText();
  for (int i = 0; i < fMain->ListDirections->Count(); ++i) shown += " | " + fMain->ListDirections->Item(i);
  return shown;
}

}  // namespace

// Unchecked, Ctrl and Shift clicks set the start; checked, they choose vias
// and the pin, Esc undoes them, the panel lists the whole route's steps, a
// double click on a step centres the map on its junction, and vias are
// drawn as numbered marks until Close.
TEST_F(RouteReport, DirectionsPanelViasAndPin) {
  fMain->OpenGivenMap(WriteLayers(dir, Street()));
  WaitForMapWork();
  PointAt(3, ssCtrl);
  PointAt(2, ssShift);
  EXPECT_EQ(startPoint, 2);
  PointAt(4);
  EXPECT_EQ(Shown(), "3 | 600 m, 7 min 10 s, Quai B");
  EXPECT_FALSE(fMain->PanelDirections->Visible());

  fMain->Directions1Click(fMain->Directions1);
  EXPECT_TRUE(fMain->PanelDirections->Visible());
  PointAt(0, 0);
  PointAt(4);
  EXPECT_EQ(
      Shown(),
      "5 | 1.20 km, 7 min 40 s, Rue A - Quai B | 1.20 km, 7 min 40 s | Head east on Rue A (600 m, 30 s) | "
      "Continue onto an unnamed road (300 m, 30 s) | Continue onto Quai B (300 m, 6 min 40 s) | "
      "Arrive at 5: Elm");
  PointAt(2, ssCtrl);
  PointAt(1);
  const std::string viaThree =
      "4 | 900 m, 50 s, Rue A | 900 m, 50 s | Head east on Rue A (600 m, 30 s) | "
      "Make a U-turn onto Rue A (300 m, 20 s) | Arrive at 2: Birch";
  EXPECT_EQ(Shown(), viaThree);
  TCanvas* canvas = fMain->ImageM->Picture()->GetBitmap()->GetCanvas();
  EXPECT_EQ(canvas->Pixel(PixelX(2), PixelY(2) - 2), clBlue);  // the top of the mark's "1"
  // What a move repaints is what a painting of the whole view shows, when
  // the legs' marks go (the lone junction cannot be reached) and come back.
  for (const int32_t index : {5, 1}) {
    PointAt(index);
    const QImage moved = fMain->ImageM->Picture()->GetBitmap()->Image().copy();
    fMain->DrawMap();
    EXPECT_EQ(moved, fMain->ImageM->Picture()->GetBitmap()->Image()) << index;
  }
  EXPECT_EQ(Shown(), viaThree);
  PointAt(4, ssShift);
  PointAt(1);
  EXPECT_EQ(fMain->EditCode->Text(), "2");
  EXPECT_EQ(Shown().substr(0, 23), "5 | 1.20 km, 7 min 40 s");

  auto* list = static_cast<QListWidget*>(fMain->ListDirections->Widget());
  list->setCurrentRow(3);
  list->itemDoubleClicked(list->item(3));  // as a double click on the hidden window's list signals it
  EXPECT_GE(fMain->mapView.zoomLevel, 4);
  EXPECT_EQ(fMain->mapView.zoomCenterX, points[3].X);  // Quai B begins at junction 4
  fMain->ShowWholeMap();
  fMain->DrawMap();

  const std::string undone[] = {viaThree, "2 | 300 m, 10 s, Rue A", "2 | 300 m, 10 s, Rue A"};
  for (const std::string& shown : undone) {
    TKey key = VK_ESCAPE;
    fMain->FormKeyDown(fMain, key, 0);
    PointAt(1);
    EXPECT_EQ(Shown().substr(0, shown.size()), shown);
    EXPECT_EQ(key, &shown == &undone[2] ? VK_ESCAPE : 0);  // nothing left to undo: the key passes
  }
  PointAt(2, ssCtrl);
  PointAt(2, ssCtrl);  // on a via: removes it
  EXPECT_TRUE(fMain->routeChoice.vias.empty());
  PointAt(2, ssCtrl);
  fMain->Close1Click(fMain->Close1);
  EXPECT_TRUE(fMain->routeChoice.vias.empty());
  EXPECT_EQ(fMain->ListDirections->Count(), 0);
}

namespace {

// Street with a Class column, so that it opens as a road map.
LayerTexts ClassedStreet() {
  LayerTexts map = Street();
  map.sMif.replace(map.sMif.find("Columns 5"), 9, "Columns 6");
  map.sMif.replace(map.sMif.find("Data\n"), 5, "  Class Char(10)\nData\n");
  for (size_t at = map.sMid.find('\n'); at != std::string::npos; at = map.sMid.find('\n', at + 10))
    map.sMid.insert(at, ",primary");
  return map;
}

}  // namespace

// A route through a via is drawn whole, every leg, in the road map and in
// the plain picture: the middle pixel of each of its segments differs from
// the same view drawn without a route.
TEST_F(RouteReport, ViaRoutesAreDrawnWholeInBothStyles) {
  fMain->OpenGivenMap(WriteLayers(dir, ClassedStreet()));
  WaitForMapWork();
  ASSERT_TRUE(fMain->RoadMap1->Checked());
  fMain->Directions1Click(fMain->Directions1);
  PointAt(0, 0);
  PointAt(2, ssCtrl);
  PointAt(4);  // legs 1-2-3 and 3-4-5: segments 0, 1 and 2, 3
  ASSERT_EQ(fMain->EditL->Text(), "5");
  for (const bool roadMap : {true, false}) {
    SCOPED_TRACE(roadMap ? "road map" : "plain");
    if (fMain->RoadMap1->Checked() != roadMap) fMain->RoadMap1Click(fMain->RoadMap1);
    const QImage drawn = fMain->ImageM->Picture()->GetBitmap()->Image().copy();
    TBitmap bare;
    MapView view = fMain->mapView;
    RoadMapRenderer renderer;
    DrawMapImage(&bare, view, {true, true, roadMap ? &renderer : nullptr});
    ForgetMapImage();  // the window's next redraw paints in full
    for (int32_t segment = 0; segment < 4; ++segment) {
      const int32_t x = (PixelX(segment) + PixelX(segment + 1)) / 2, y = PixelY(segment);
      EXPECT_NE(drawn.pixel(x, y), bare.Image().pixel(x, y)) << "segment " << segment;
    }
  }
}
