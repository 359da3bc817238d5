// Importing road layers: sources written with OGR itself, imported, then
// loaded with the program's own loader and read back with OGR.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "import/import_error.h"
#include "import/road_import.h"
#include "map/layer_loader.h"
#include "map/map_files.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "tests/import_requests.h"
#include "tests/main_form_fixture.h"
#include "tests/ogr_sources.h"
#include "tests/test_files.h"

namespace {

// A coordinate system in metres without a place on the Earth: the map keeps
// its coordinates and its lengths are planar.
constexpr int kMetres = kLocalMetres;
constexpr int kWgs84 = 4326;

// Imports source into <dir>/Mroads.mif quietly, every line of it, and loads
// the result.
ImportReport ImportAndLoad(const std::string& source, const TempDir& dir, double snap = 0) {
  QuietRequest request(source, dir / "Mroads.mif");
  request.request.profile = "all";
  request.request.hasSnap = snap > 0;
  request.request.snapMetres = snap;
  const ImportReport report = ImportRoads(request.request);
  ClearMapStore();
  LoadMapLayers(dir / "Mroads.mif");
  return report;
}

// The segment's ends as codes, the smaller first.
std::pair<int32_t, int32_t> Ends(int32_t segment) {
  return std::minmax(segments[segment].From, segments[segment].To);
}

// The number of adjacency entries of the point with code c.
int32_t Degree(int32_t code) { return nodeStart[code] - nodeStart[code - 1]; }

// The code of the point at (x, y); 0 when there is none.
int32_t CodeAt(int32_t x, int32_t y) {
  for (int32_t i = 0; i < pointCount; ++i)
    if (points[i].X == x && points[i].Y == y) return points[i].Code;
  return 0;
}

class Import : public MainFormTest {
 protected:
  void TearDown() override {
    ClearMapStore();
    MainFormTest::TearDown();
  }
  TempDir dir;
};

}  // namespace

// Junctions are every line end and every position lines share or a line
// passes twice; lines are split there. Codes follow first appearance, and
// the point with code c is the c-th.
TEST_F(Import, JunctionsAndSegments) {
  const struct {
    const char* name;
    std::vector<SourceFeature> features;
    int32_t junctions, segments;
    std::function<void()> check;
  } cases[] = {
      {"two roads crossing at a shared vertex: a 4-way junction",
       {{"LINESTRING (0 0,10 0,20 0)", "A"}, {"LINESTRING (10 -10,10 0,10 10)", "B"}},
       5,
       4,
       [] {
         EXPECT_EQ(CodeAt(10, 0), 2);
         EXPECT_EQ(Degree(2), 4);
       }},
      {"a T-junction at a line end",
       {{"LINESTRING (0 0,10 0,20 0)", "A"}, {"LINESTRING (10 10,10 0)", "B"}},
       4,
       3,
       [] { EXPECT_EQ(Degree(CodeAt(10, 0)), 3); }},
      {"a road touching another only at a vertex inside both is split there",
       {{"LINESTRING (0 0,10 0,20 0,30 0)", "A"}, {"LINESTRING (5 10,10 0,15 10)", "B"}},
       5,
       4,
       [] {
         EXPECT_EQ(Degree(CodeAt(10, 0)), 4);
         EXPECT_EQ(Ends(1), std::make_pair(CodeAt(10, 0), CodeAt(30, 0)));
         EXPECT_EQ(segments[1].Vertices.Length(), 3);  // (10 0), (20 0), (30 0)
       }},
      {"a multi-part line is several lines",
       {{"MULTILINESTRING ((0 0,10 0),(20 0,30 0))", "A"}},
       4,
       2,
       [] { EXPECT_EQ(Ends(1), std::make_pair(3, 4)); }},
      {"consecutive repeated vertices are dropped; a line that collapses to a point too",
       {{"LINESTRING (0 0,0 0,10 0,10.2 0.3,20 0)", "A"}, {"LINESTRING (50 50,50.2 49.9)", "B"}},
       2,
       1,
       [] {
         ASSERT_EQ(segments[0].Vertices.Length(), 3);
         EXPECT_EQ(segments[0].Vertices[1].x, 10);
         EXPECT_EQ(segments[0].Length, 20);
       }},
      {"a line passing a position twice has a junction there",
       {{"LINESTRING (0 0,10 0,10 10,0 10,10 0,20 0)", "A"}},
       3,
       3,
       [] {
         EXPECT_EQ(CodeAt(10, 0), 2);
         EXPECT_EQ(Ends(1), std::make_pair(2, 2));  // the loop through (10 10) and (0 10)
       }},
      {"coordinates round to the nearest metre",
       {{"LINESTRING (0.4 -0.4,9.5 2.5)", "A"}},
       2,
       1,
       [] {
         EXPECT_EQ(points[0].X, 0);
         EXPECT_EQ(points[0].Y, 0);
         EXPECT_EQ(points[1].X, 10);
         EXPECT_EQ(points[1].Y, 3);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir caseDir;
    WriteOgrSource(caseDir / "roads.gpkg", "GPKG", kMetres, c.features);
    const ImportReport report = ImportAndLoad(caseDir / "roads.gpkg", caseDir);
    EXPECT_EQ(pointCount, c.junctions);
    EXPECT_EQ(segmentCount, c.segments);
    EXPECT_EQ(report.junctions, c.junctions);
    for (int32_t i = 0; i < pointCount; ++i) EXPECT_EQ(points[i].Code, i + 1);
    c.check();
  }
}

// With --snap, each line end joins the nearest point within the distance on
// another line: a junction, a vertex, or a point inside a piece, which then
// splits that line; the report counts the ends joined.
TEST_F(Import, SnapJoinsTheNearestPoint) {
  const struct {
    const char* name;
    std::vector<SourceFeature> features;
    double snap;
    int32_t junctions, segments;
    int64_t joined;
    std::function<void()> check;
  } cases[] = {
      {"an end near the inside of a piece splits it there",
       {{"LINESTRING (0 0,100 0,200 0)", "A"}, {"LINESTRING (131 40,130.6 1.5)", "B"}},
       3,
       4,
       3,
       1,
       [] {
         EXPECT_EQ(Degree(CodeAt(131, 0)), 3);
         EXPECT_EQ(segments[0].Length + segments[1].Length, 200);
         EXPECT_EQ(segments[0].Length, 131);
       }},
      {"the nearest point wins over a junction a little farther",
       {{"LINESTRING (-100 0,0 0,100 0)", "A"},
        {"LINESTRING (0 -100,0 0)", "D"},
        {"LINESTRING (0 30,3 3)", "B"}},
       5,
       6,
       5,
       1,
       [] {
         EXPECT_EQ(Degree(CodeAt(3, 0)), 3);
         EXPECT_EQ(Degree(CodeAt(0, 0)), 3);
       }},
      {"ends of two lines meet at one junction, not crossing over",
       {{"LINESTRING (0 0,100 0)", "A"}, {"LINESTRING (101 1,200 0)", "B"}},
       2,
       3,
       2,
       1,
       [] { EXPECT_EQ(Degree(CodeAt(101, 1)), 2); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir caseDir;
    WriteOgrSource(caseDir / "roads.gpkg", "GPKG", kMetres, c.features);
    const ImportReport report = ImportAndLoad(caseDir / "roads.gpkg", caseDir, c.snap);
    EXPECT_EQ(pointCount, c.junctions);
    EXPECT_EQ(segmentCount, c.segments);
    EXPECT_EQ(report.joinedEnds, c.joined);
    c.check();
  }
}

// A geographic source is projected to the UTM zone of its centre; lengths
// are geodesic: a north-south road of 0.01 degree of latitude is about
// 1,110 metres long.
TEST_F(Import, GeographicSourcesBecomeMetres) {
  WriteOgrSource(
      dir / "roads.geojson", "GeoJSON", kWgs84,
      {{"LINESTRING (13.40 52.50,13.40 52.51)", "North"}, {"LINESTRING (13.40 52.51,13.41 52.51)", "East"}});
  const ImportReport report = ImportAndLoad(dir / "roads.geojson", dir);
  EXPECT_EQ(report.mapSystem, "WGS 84 / UTM zone 33N (EPSG:32633)");
  ASSERT_EQ(segmentCount, 2);
  EXPECT_NEAR(segments[0].Length, 1113, 2);  // one hundredth of a degree of latitude at 52.5 degrees north
  EXPECT_NEAR(segments[1].Length, 677, 2);   // the same of longitude: cos(52.51 degrees) as much
  EXPECT_NEAR(points[1].Y - points[0].Y, 1113, 3);
  EXPECT_NEAR(points[0].X, 391391, 5);  // 13.4 degrees east in zone 33, whose meridian is 15 degrees
}

// The search over an imported map finds a route whose length is the sum of
// its roads' lengths: the shorter way round a square of roads.
TEST_F(Import, RoutesAddUpTheRoadsLengths) {
  WriteOgrSource(dir / "roads.gpkg", "GPKG", kMetres,
                 {{"LINESTRING (0 0,300 0)", "South"},
                  {"LINESTRING (300 0,300 400)", "East"},
                  {"LINESTRING (0 0,0 250,0 400)", "West"},
                  {"LINESTRING (0 400,300 400)", "North"},
                  {"LINESTRING (0 0,50 50,0 100)", "Bend"}});
  ImportAndLoad(dir / "roads.gpkg", dir);
  const int32_t start = CodeAt(0, 0), target = CodeAt(300, 400);
  const int32_t count = FindRoute(start, target);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(RouteLength(), 700);
  EXPECT_EQ(segments[4].Length, 141);  // the bend: two diagonals of 70.7 metres
}

// A network beyond what a map holds writes nothing: an earlier map in the
// folder stays as it was, byte for byte, and no temporary file is left.
// Lines that alone pass a limit stop the reading at once.
TEST_F(Import, BeyondTheLimitsWritesNothing) {
  WriteOgrSource(dir / "small.gpkg", "GPKG", kMetres, {{"LINESTRING (0 0,10 0)", "A"}});
  ImportAndLoad(dir / "small.gpkg", dir);
  const std::string before = ReadWhole(dir / "Mroads.mif") + ReadWhole(dir / "Sroads.mid");
  std::string csv = "WKT,name\n";
  for (int i = 0; i < 500; ++i)
    csv += "\"LINESTRING (" + std::to_string(i * 10 + 1000) + " 0," + std::to_string(i * 10 + 1000) +
           " 5)\",r\n";
  WriteFile(dir / "many.csv", csv);
  const auto limited = [](int64_t junctionLimit, int64_t segmentLimit, int64_t entryLimit,
                          int64_t vertexLimit) {
    MapLimits limits;
    limits.junctions = junctionLimit;
    limits.segments = segmentLimit;
    limits.entries = entryLimit;
    limits.vertices = vertexLimit;
    return limits;
  };
  const struct {
    MapLimits limits;
    std::string message;
  } cases[] = {
      {limited(999, 500, 1000, 1000), "1000 junctions (at most 999); choose a part of it"},
      {limited(1000, 500, 999, 1000), "1000 adjacency entries (at most 999)"},
      {limited(1000, 499, 1000, 1000), "its first 500 features already give 500 lines of 1000 vertices"},
      {limited(1000, 1000, 1000, 9), "its first 5 features already give 5 lines of 10 vertices"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    QuietRequest request(dir / "many.csv", dir / "Mroads.mif");
    try {
      ImportRoads(request.request, c.limits);
      ADD_FAILURE() << "no refusal";
    } catch (const ImportError& e) {
      EXPECT_NE(std::string(e.what()).find("the network does not fit a Ruvel map: " + c.message),
                std::string::npos)
          << e.what();
    }
    EXPECT_EQ(ReadWhole(dir / "Mroads.mif") + ReadWhole(dir / "Sroads.mid"), before);
    EXPECT_EQ(RunCommand("ls '" + dir.Path() + "' | grep -c part").out, "0\n");
  }
}

// A full MIF as a GIS program writes it: decimal coordinates, two-point
// roads as Line objects, multi-part roads as PLINE MULTIPLE, quoted names.
TEST_F(Import, FullMifFromAGisProgram) {
  WriteOgrSource(dir / "gis.mif", "MapInfo File", kMetres,
                 {{"LINESTRING (0.25 0.5,100.75 0.5)", "Mill \"Old\" Lane, east"},
                  {"LINESTRING (100.75 0.5,150.5 50.5,200.5 0.5)", "Bridge St"},
                  {"MULTILINESTRING ((100.75 0.5,100.75 80.25),(300 0,400 0))", "Ford"}},
                 {"FORMAT=MIF"});
  const std::string mif = ReadWhole(dir / "gis.mif");
  ASSERT_NE(mif.find("Line "), std::string::npos) << mif;
  ASSERT_NE(mif.find("PLINE MULTIPLE 2"), std::string::npos) << mif;
  ImportAndLoad(dir / "gis.mif", dir);
  EXPECT_EQ(pointCount, 6);
  EXPECT_EQ(segmentCount, 4);
  EXPECT_EQ(Degree(CodeAt(101, 1)), 3);
  EXPECT_EQ(points[0].Text, "\"Mill \"\"Old\"\" Lane, east\"");
}

// OpenStreetMap data: ways that share a node meet at a junction there.
TEST_F(Import, OpenStreetMapWaysMeetAtSharedNodes) {
  WriteFile(dir / "town.osm", R"(<?xml version="1.0" encoding="UTF-8"?>
<osm version="0.6" generator="test">
  <node id="1" lat="51.5000" lon="-0.1200" version="1"/>
  <node id="2" lat="51.5000" lon="-0.1100" version="1"/>
  <node id="3" lat="51.5000" lon="-0.1000" version="1"/>
  <node id="4" lat="51.5100" lon="-0.1100" version="1"/>
  <node id="5" lat="51.4900" lon="-0.1100" version="1"/>
  <node id="6" lat="51.5050" lon="-0.1050" version="1"><tag k="amenity" v="pub"/></node>
  <way id="10" version="1"><nd ref="1"/><nd ref="2"/><nd ref="3"/><tag k="highway" v="primary"/><tag k="name" v="High Street"/></way>
  <way id="11" version="1"><nd ref="4"/><nd ref="2"/><nd ref="5"/><tag k="highway" v="residential"/><tag k="name" v="Church Lane"/></way>
</osm>
)");
  const ImportReport report = ImportAndLoad(dir / "town.osm", dir);
  EXPECT_EQ(report.mapSystem, "WGS 84 / UTM zone 30N (EPSG:32630)");
  EXPECT_EQ(pointCount, 5);
  EXPECT_EQ(segmentCount, 4);
  EXPECT_EQ(Degree(2), 4);  // node 2, shared by both ways
  EXPECT_EQ(points[1].Text, "\"High Street / Church Lane\"");
}

// Names with quotes, commas, line breaks and long runs of multi-byte text:
// one row per object, each line within what the loader reads as one, the
// text cut at a character boundary, and OGR reads every row back.
TEST_F(Import, AwkwardNamesKeepOneRowPerObject) {
  std::string longName;
  for (int i = 0; i < 300; ++i) longName += "\xC3\xA9";  // é, two bytes each
  const std::vector<SourceFeature> features = {
      {"LINESTRING (0 0,10 0)", "Quote \" and, comma"},
      {"LINESTRING (10 0,20 0)", "Two\nlines\r\nand\ttab"},
      {"LINESTRING (20 0,30 0)", longName},
      {"LINESTRING (30 0,40 0)", std::string(300, '"')},
      {"LINESTRING (40 0,50 0)", ""},
  };
  WriteOgrSource(dir / "names.gpkg", "GPKG", kMetres, features);
  ImportAndLoad(dir / "names.gpkg", dir);
  EXPECT_EQ(pointCount, 6);
  ASSERT_EQ(segmentCount, 5);
  for (int32_t j = 0; j < segmentCount; ++j) EXPECT_EQ(Ends(j), std::make_pair(j + 1, j + 2));
  for (const char* file : {"Mroads.mid", "Sroads.mid", "Mroads.mif", "Sroads.mif"}) {
    std::ifstream in(dir / file);
    for (std::string line; std::getline(in, line);) EXPECT_LE(line.size(), 254u) << file;
  }
  const std::vector<ReadBackFeature> roads = ReadOgrLayer(dir / "Sroads.mif");
  ASSERT_EQ(roads.size(), 5u);
  EXPECT_EQ(roads[0].fields.at("Name"), "Quote \" and, comma");
  EXPECT_EQ(roads[1].fields.at("Name"), "Two lines  and tab");
  const std::string cut = roads[2].fields.at("Name");
  EXPECT_GT(cut.size(), 200u);
  EXPECT_EQ(cut.size() % 2, 0u);  // whole characters only
  EXPECT_EQ(longName.compare(0, cut.size(), cut), 0);
  EXPECT_EQ(roads[3].fields.at("Name").find_first_not_of('"'), std::string::npos);
  EXPECT_EQ(roads[4].fields.at("Name"), "");
}

// OGR reads the map back with the same features, coordinates and
// attributes as the loader.
TEST_F(Import, OgrReadsTheMapBack) {
  WriteOgrSource(dir / "roads.gpkg", "GPKG", kMetres,
                 {{"LINESTRING (0 0,10 0,20 5)", "A"}, {"LINESTRING (10 0,10 10)", "B"}});
  ImportAndLoad(dir / "roads.gpkg", dir);
  const std::vector<ReadBackFeature> junctions = ReadOgrLayer(dir / "Mroads.mif");
  ASSERT_EQ(static_cast<int32_t>(junctions.size()), pointCount);
  for (int32_t i = 0; i < pointCount; ++i) {
    EXPECT_EQ(junctions[i].wkt,
              "POINT (" + std::to_string(points[i].X) + " " + std::to_string(points[i].Y) + ")");
    EXPECT_EQ(junctions[i].fields.at("Code"), std::to_string(points[i].Code));
  }
  EXPECT_EQ(junctions[1].fields.at("Names"), "A / B");
  const std::vector<ReadBackFeature> roads = ReadOgrLayer(dir / "Sroads.mif");
  ASSERT_EQ(static_cast<int32_t>(roads.size()), segmentCount);
  for (int32_t j = 0; j < segmentCount; ++j) {
    std::string wkt = "LINESTRING (";
    for (int32_t k = 0; k < segments[j].Vertices.Length(); ++k)
      wkt += (k ? "," : "") + std::to_string(segments[j].Vertices[k].x) + " " +
             std::to_string(segments[j].Vertices[k].y);
    EXPECT_EQ(roads[j].wkt, wkt + ")");
    EXPECT_EQ(roads[j].fields.at("From"), std::to_string(segments[j].From));
    EXPECT_EQ(roads[j].fields.at("To"), std::to_string(segments[j].To));
    EXPECT_EQ(roads[j].fields.at("Length"), std::to_string(segments[j].Length));
  }
  EXPECT_EQ(roads[2].fields.at("Name"), "B");
}

// What cannot be read is refused with a message that says what.
TEST_F(Import, RefusesWhatItCannotRead) {
  WriteOgrSource(dir / "roads.gpkg", "GPKG", kMetres, {{"LINESTRING (0 0,10 0)", "A"}});
  WriteOgrSource(dir / "wells.gpkg", "GPKG", kMetres, {{"POINT (1 1)", "Well"}});
  WriteOgrSource(dir / "far.gpkg", "GPKG", kMetres, {{"LINESTRING (0 0,3000000000 0)", "Far"}});
  const struct {
    std::string source, layer, where, nameField, message;
  } cases[] = {
      {dir / "missing.gpkg", "", "", "", (dir / "missing.gpkg") + " does not exist"},
      {dir / "roads.gpkg", "streets", "", "", "has no layer \"streets\" (its layers: roads)"},
      {dir / "roads.gpkg", "", "", "ref", "layer \"roads\" has no field \"ref\""},
      {dir / "roads.gpkg", "", "nonsense ((", "", "--where \"nonsense ((\":"},
      {dir / "wells.gpkg", "", "", "", "has no layer with lines"},
      {dir / "far.gpkg", "", "", "", "feature 1: (3000000000 0) lies beyond the map's 32-bit coordinates"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    QuietRequest request(c.source, dir / "Mout.mif");
    request.request.layer = c.layer.c_str();
    request.request.where = c.where.c_str();
    request.request.nameField = c.nameField.c_str();
    try {
      ImportRoads(request.request);
      ADD_FAILURE() << "no refusal";
    } catch (const ImportError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(RunCommand("ls '" + dir.Path() + "' | grep -c out").out, "0\n");
}

// A local system (the sample map's NonEarth system in chains of about
// 20.1168 metres) has no place on the Earth: its coordinates are scaled to metres.
TEST_F(Import, LocalSystemsAreScaledToMetres) {
  const std::string source = std::string(RUVEL_SOURCE_DIR) + "/Maps/Stown.mif";
  const ImportReport report = ImportAndLoad(source, dir);
  EXPECT_EQ(report.mapSystem, "the source's coordinates, in metres");
  double x = 0, y = 0;  // the first road's first vertex, as OGR reads it
  ASSERT_EQ(std::sscanf(ReadOgrLayer(source).at(0).wkt.c_str(), "LINESTRING (%lf %lf", &x, &y), 2);
  EXPECT_NEAR(points[0].X / x, 20.1168, 0.001);  // metres a chain
  EXPECT_NEAR(points[0].Y / y, 20.1168, 0.001);
}
