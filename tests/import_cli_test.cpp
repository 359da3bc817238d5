// ruvel-route import and route --geojson, end to end, and the promise that
// nothing but the import module links GDAL.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "tests/ogr_sources.h"
#include "tests/test_files.h"

namespace {

const std::string kRoute = RUVEL_ROUTE_EXE;
const std::string kWindow = RUVEL_EXE;

CommandResult Route(const std::string& args) { return RunCommand("'" + kRoute + "' " + args); }

// Two roads meeting at a right angle in Berlin, and one road apart.
void WriteBerlin(const std::string& path) {
  WriteOgrSource(path, "GeoJSON", 4326,
                 {{"LINESTRING (13.40 52.50,13.41 52.50)", "Unter den Linden"},
                  {"LINESTRING (13.41 52.50,13.41 52.51)", "Friedrichstraße"},
                  {"LINESTRING (13.50 52.60,13.51 52.60)", "Away"}});
}

}  // namespace

TEST(RuvelRouteImport, ImportsAndReports) {
  TempDir dir;
  WriteBerlin(dir / "berlin.geojson");
  const CommandResult r =
      Route("import '" + (dir / "berlin.geojson") + "' '" + (dir / "out/Mberlin.mif") + "'");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(
      std::regex_search(r.out, std::regex("source coordinates: WGS 84 \\(EPSG:4326\\)\n"
                                          "map coordinates: WGS 84 / UTM zone 33N \\(EPSG:32633\\)\n"
                                          "junctions: 5\nsegments: 3\ntotal road length: 2\\d\\d\\d m\n")))
      << r.out;
  EXPECT_EQ(Route("info '" + (dir / "out/Mberlin.mif") + "'").out.substr(0, 24),
            "points: 5\nsegments: 3\nbo");
  const CommandResult quiet =
      Route("import --quiet '" + (dir / "berlin.geojson") + "' '" + (dir / "out/Mberlin.mif") + "'");
  EXPECT_EQ(quiet.exitCode, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
}

TEST(RuvelRouteImport, RefusesWrongUsage) {
  TempDir dir;
  WriteBerlin(dir / "b.geojson");
  const std::string source = "'" + (dir / "b.geojson") + "' ";
  const struct {
    std::string args;
    int exitCode;
    std::string err;
  } cases[] = {
      {"import", 2, "usage: "},
      {"import " + source, 2, "usage: "},
      {"import " + source + "Ma.mif --bbox 1 2 3", 2, "usage: "},
      {"import " + source + "Ma.mif --bbox 3 2 1 4", 2, "usage: "},
      {"import " + source + "Ma.mif --snap -1", 2, "usage: "},
      {"import " + source + "Ma.mif --snap x", 2, "usage: "},
      {"import " + source + "Ma.mif --frobnicate", 2, "usage: "},
      {"import " + source + "'" + (dir / "town.mif") + "'", 1,
       "ruvel-route: " + (dir / "town.mif") + ": the name must begin with a capital M"},
      {"import '" + (dir / "none.gpkg") + "' '" + (dir / "Mx.mif") + "'", 1,
       "ruvel-route: cannot open " + (dir / "none.gpkg")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CommandResult r = Route(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
  }
}

// The routes as GeoJSON, read back with OGR: on an imported map in WGS 84
// longitude and latitude; an unreachable pair has no geometry.
TEST(RuvelRouteGeoJson, ImportedMapsGiveLongitudeAndLatitude) {
  TempDir dir;
  WriteBerlin(dir / "berlin.geojson");
  ASSERT_EQ(
      Route("import --quiet '" + (dir / "berlin.geojson") + "' '" + (dir / "Mberlin.mif") + "'").exitCode, 0);
  const CommandResult r = Route("route '" + (dir / "Mberlin.mif") + "' 1 3 --geojson 1 4");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  WriteFile(dir / "routes.geojson", r.out);
  const std::vector<ReadBackFeature> routes = ReadOgrLayer(dir / "routes.geojson");
  ASSERT_EQ(routes.size(), 2u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(routes[0].wkt, m,
                               std::regex("LINESTRING \\((13\\.4\\d*) (52\\.\\d+),(13\\.4\\d*) (52\\.\\d+),"
                                          "(13\\.4\\d*) (52\\.\\d+)\\)")))
      << routes[0].wkt;
  EXPECT_NEAR(std::stod(m[1]), 13.40, 1e-4);
  EXPECT_NEAR(std::stod(m[2]), 52.50, 1e-4);
  EXPECT_NEAR(std::stod(m[6]), 52.51, 1e-4);
  EXPECT_EQ(routes[0].fields.at("start"), "1");
  EXPECT_EQ(routes[0].fields.at("target"), "3");
  EXPECT_EQ(routes[0].fields.at("points"), "3");
  EXPECT_NEAR(std::stoi(routes[0].fields.at("length")), 677 + 1113, 4);
  EXPECT_EQ(routes[1].wkt, "");  // 1 to 4: unreachable
  EXPECT_EQ(routes[1].fields.at("target"), "4");
}

// A map without a coordinate system OGR knows keeps its own coordinates; the
// line follows the roads' vertices between the route's points.
TEST(RuvelRouteGeoJson, OtherMapsKeepTheirCoordinates) {
  TempDir dir;
  const CommandResult r = Route("route '" + WriteLayers(dir, ExampleTown()) + "' --geojson 1 3 2 2");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  WriteFile(dir / "routes.geojson", r.out);
  const std::vector<ReadBackFeature> routes = ReadOgrLayer(dir / "routes.geojson");
  ASSERT_EQ(routes.size(), 2u);
  EXPECT_EQ(routes[0].wkt, "LINESTRING (100 200,300 200,320 300,300 400)");
  EXPECT_EQ(routes[0].fields.at("length"), "410");
  EXPECT_EQ(routes[1].wkt, "POINT (300 200)");  // a route of one point
}

// Only the import module links GDAL; without it the other commands work
// and import says what is missing.
// The module lies beside the program in the build folder and in
// ../lib/ruvel/ from it once installed; a program with neither says where it
// looked last.
TEST(RuvelRouteImport, NothingElseLinksGdal) {
  EXPECT_EQ(RunCommand("ldd '" + kRoute + "' '" + kWindow + "' | grep -c gdal").out, "0\n");
  TempDir dir;
  ASSERT_EQ(
      RunCommand("mkdir -p '" + (dir / "bin") + "' && cp '" + kRoute + "' '" + (dir / "bin") + "'").exitCode,
      0);
  const std::string alone = "'" + (dir / "bin/ruvel-route") + "' ";
  const std::string map = WriteLayers(dir, ExampleTown());
  EXPECT_EQ(RunCommand(alone + "info '" + map + "'").exitCode, 0);
  const CommandResult r = RunCommand(alone + "import '" + map + "' '" + (dir / "Mnew.mif") + "'");
  EXPECT_EQ(r.exitCode, 1);
  const std::string expected =
      "ruvel-route: cannot load the import module " + (dir / "lib/ruvel/ruvel_import.so") + ": ";
  EXPECT_EQ(r.err.substr(0, expected.size()), expected);
  const std::string module = std::filesystem::path(kRoute).parent_path() / "ruvel_import.so";
  ASSERT_EQ(RunCommand("mkdir -p '" + (dir / "lib/ruvel") + "' && cp '" + module + "' '" +
                       (dir / "lib/ruvel") + "'")
                .exitCode,
            0);
  EXPECT_EQ(RunCommand(alone + "route '" + map + "' 1 3 --geojson").exitCode, 0);
}
