// ruvel-route import and route --geojson, end to end.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "tests/ogr_sources.h"
#include "tests/test_files.h"

namespace {

CommandResult Route(const std::string& args) { return RunCommand("'" + kRuvelRoute + "' " + args); }

// Two roads meeting at a right angle in Berlin, and one road apart.
void WriteBerlin(const std::string& path) {
  WriteOgrSource(path, "GeoJSON", 4326,
                 {{"LINESTRING (13.40 52.50,13.41 52.50)", "Unter den Linden"},
                  {"LINESTRING (13.41 52.50,13.41 52.51)", "Friedrichstraße"},
                  {"LINESTRING (13.50 52.60,13.51 52.60)", "Away"}});
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// Every file below dir with its bytes, by path relative to dir.
std::map<std::string, std::string> Snapshot(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
    const std::string name = entry.path().string().substr(dir.Path().size());
    if (!entry.is_regular_file()) {
      files[name] = "(not a file)";
      continue;
    }
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    files[name] = bytes.str();
  }
  return files;
}

// The position lon degrees east of p, within -180 to 180.
LonLat East(LonLat p, double lon) {
  p.lon += lon;
  if (p.lon > 180) p.lon -= 360;
  return p;
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
      {"import", 2, "ruvel-route import: give one source and one output map, OUT/Mname.mif\nusage: "},
      {"import " + source, 2, "ruvel-route import: give one source and one output map"},
      {"import " + source + "Ma.mif --bbox 1 2 3", 2, "ruvel-route import: --bbox needs a value\nusage: "},
      {"import " + source + "Ma.mif --bbox 3 2 1 4", 2,
       "ruvel-route import: --bbox takes MINX MINY MAXX MAXY"},
      {"import " + source + "Ma.mif --snap -1", 2,
       "ruvel-route import: --snap takes a distance of more than 0"},
      {"import " + source + "Ma.mif --snap 1e12", 2, "ruvel-route import: --snap takes a distance"},
      {"import " + source + "Ma.mif --snap 0", 2, "ruvel-route import: --snap takes a distance"},
      {"import " + source + "Ma.mif --snap x", 2, "ruvel-route import: --snap: 'x' is not a number\nusage: "},
      {"import " + source + "Ma.mif --frobnicate", 2,
       "ruvel-route import: unknown option --frobnicate\nusage: "},
      {"import " + source + "'" + (dir / "town.mif") + "'", 1,
       "ruvel-route: " + (dir / "town.mif") + ": the name must begin with a capital M"},
      {"import '" + (dir / "none.gpkg") + "' '" + (dir / "Mx.mif") + "'", 1,
       "ruvel-route: " + (dir / "none.gpkg") + " does not exist\n"},
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

// A road east then north, written in each coordinate system, imported and
// routed: the route's GeoJSON ends lie within 1 m of the source's positions,
// its length within 0.5% of the geodesic one, and the map keeps north up
// and east to the right, also across 180 degrees of longitude.
TEST(RuvelRouteImport, EverySystemKeepsPlacesAndGeodesicLengths) {
  const struct {
    int epsg;
    LonLat start;
  } cases[] = {
      {4326, {13.40, 52.50}}, {3035, {13.40, 52.50}},   {3035, {7.42, 43.73}},    {2056, {7.44, 46.95}},
      {5514, {14.42, 50.08}}, {3857, {13.40, 52.50}},   {8857, {13.40, 52.50}},   {32633, {13.40, 52.50}},
      {3413, {-45.0, 75.0}},  {4326, {179.995, -17.0}}, {4326, {-179.998, 52.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("EPSG:" + std::to_string(c.epsg) + " at " + std::to_string(c.start.lon));
    TempDir dir;
    const LonLat corner = East(c.start, 0.01), end{corner.lon, corner.lat + 0.01};
    WriteOgrSource(
        dir / "roads.gpkg", "GPKG", c.epsg,
        {{LineInSystem({c.start, corner}, c.epsg), "East"}, {LineInSystem({corner, end}, c.epsg), "North"}});
    const CommandResult import =
        Route("import " + Quoted(dir / "roads.gpkg") + " " + Quoted(dir / "Mroads.mif"));
    ASSERT_EQ(import.exitCode, 0) << import.err;
    const CommandResult r = Route("route " + Quoted(dir / "Mroads.mif") + " 1 3 --geojson");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    WriteFile(dir / "route.geojson", r.out);
    const std::vector<ReadBackFeature> route = ReadOgrLayer(dir / "route.geojson");
    ASSERT_EQ(route.size(), 1u);
    const std::vector<LonLat> at = PositionsOf(route[0].wkt);
    ASSERT_EQ(at.size(), 3u) << route[0].wkt << import.out;
    EXPECT_LT(GeodesicMetres(at[0], c.start), 1.0) << import.out;
    EXPECT_LT(GeodesicMetres(at[1], corner), 1.0);
    EXPECT_LT(GeodesicMetres(at[2], end), 1.0);
    const double geodesic = GeodesicMetres(c.start, corner) + GeodesicMetres(corner, end);
    EXPECT_NEAR(std::stod(route[0].fields.at("length")), geodesic, 0.005 * geodesic) << import.out;
    const std::vector<ReadBackFeature> junctions = ReadOgrLayer(dir / "Mroads.mif");
    ASSERT_EQ(junctions.size(), 3u);
    const std::vector<LonLat> a = PositionsOf(junctions[0].wkt), b = PositionsOf(junctions[1].wkt),
                              n = PositionsOf(junctions[2].wkt);
    EXPECT_GT(b[0].lon - a[0].lon, 0.99 * GeodesicMetres(c.start, corner)) << "east to the right";
    EXPECT_GT(n[0].lat - b[0].lat, 900) << "north up";
  }
}

// A refused import leaves an earlier map and everything else in the folder
// byte for byte, with no temporary file; the message says why.
TEST(RuvelRouteImport, RefusalsLeaveTheEarlierMap) {
  TempDir dir;
  const std::string roads = Quoted(dir / "roads.gpkg"), map = Quoted(dir / "Mroads.mif");
  WriteOgrSource(dir / "roads.gpkg", "GPKG", 32633,
                 {{"LINESTRING (400000 5800000,400100 5800000)", "A"},
                  {"LINESTRING (400100 5800000,400100 5800100)", "B"}});
  WriteFile(dir / "degrees.csv", "WKT,name\n\"LINESTRING (13.4 52.5,13.41 52.5)\",A\n");
  WriteFile(dir / "pole.geojson",
            R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},"geometry":)"
            R"({"type":"LineString","coordinates":[[13.4,90.5],[13.5,90.5]]}}]})");
  ASSERT_EQ(Route("import --quiet " + roads + " " + map).exitCode, 0);
  ASSERT_EQ(mkfifo((dir / "fifo.geojson").c_str(), 0600), 0);
  ASSERT_EQ(mkdir((dir / "Sblocked.mid").c_str(), 0700), 0);
  const std::map<std::string, std::string> before = Snapshot(dir);
  const struct {
    std::string args, message;
  } cases[] = {
      {roads + " " + map + " --where \"name = 'none'\"", "no road segment to write from layer \"roads\""},
      {roads + " " + map + " --bbox 13 52 14 53",
       "within --bbox 13 52 14 53 (the layer's extent, in the same coordinates: 400000, 5800000, 400100, "
       "5800100)"},
      {map + " " + map, "Mroads.mif is a file of the source"},
      {Quoted(dir / "Sroads.mif") + " " + map, "Sroads.mif is a file of the source"},
      {Quoted(dir / "Sroads.mid") + " " + map, "Sroads.mid is a file of the source"},
      {roads + " " + Quoted(dir / "Mroads.mid"), "Mroads.mid: the name must end in .mif"},
      {roads + " " + Quoted(dir / "Mblocked.mif"), "Sblocked.mid: it is a folder"},
      {Quoted(dir / "degrees.csv") + " " + map, "give --source-crs EPSG:4326"},
      {roads + " " + map + " --source-crs EPSG:99999999", "--source-crs \"EPSG:99999999\""},
      {Quoted(dir / "pole.geojson") + " " + map, "no feature of layer \"pole\""},
      {Quoted(dir / "fifo.geojson") + " " + map, "fifo.geojson is neither a regular file nor a folder"},
      {Quoted(dir / "none.gpkg") + " " + map, "none.gpkg does not exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CommandResult r = Route("import " + c.args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(Snapshot(dir) == before);
  }
}

// SIGINT, SIGTERM or SIGHUP at any moment of an import leave the folder with
// the whole earlier map or the whole new one, and no temporary file.
TEST(RuvelRouteImport, SignalsLeaveOneWholeMap) {
  TempDir dir, reference;
  std::string csv = "WKT,name\n";
  for (int i = 0; i < 60000; ++i)
    csv += "\"LINESTRING (" + std::to_string(i * 10) + " 0," + std::to_string(i * 10) + " 5," +
           std::to_string(i * 10 + 5) + " 9)\",Street " + std::to_string(i) + "\n";
  WriteFile(dir / "big.csv", csv);
  WriteOgrSource(dir / "small.gpkg", "GPKG", 32633, {{"LINESTRING (0 0,10 0)", "A"}});
  const std::string newMap = "import --quiet " + Quoted(dir / "big.csv") + " ";
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Route(newMap + Quoted(reference / "Mroads.mif")).exitCode, 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(Route("import --quiet " + Quoted(dir / "small.gpkg") + " " + Quoted(dir / "Mroads.mif")).exitCode,
            0);
  std::map<std::string, std::string> earlier = Snapshot(dir), whole = earlier;
  for (const auto& [name, bytes] : Snapshot(reference)) whole[name] = bytes;
  const char* const signals[] = {"INT", "TERM", "HUP"};
  for (int k = 1; k <= 9; ++k) {
    const double after = seconds * k / 8;
    SCOPED_TRACE(std::string("SIG") + signals[k % 3] + " after " + std::to_string(after) + " s");
    RunCommand("timeout -s " + std::string(signals[k % 3]) + " " + std::to_string(after) + " '" +
               kRuvelRoute + "' " + newMap + Quoted(dir / "Mroads.mif"));
    const std::map<std::string, std::string> now = Snapshot(dir);
    EXPECT_TRUE(now == earlier || now == whole);
    if (now == whole) {
      ASSERT_EQ(
          Route("import --quiet " + Quoted(dir / "small.gpkg") + " " + Quoted(dir / "Mroads.mif")).exitCode,
          0);
    }
  }
}

// Text from the source reaches the terminal with control characters
// escaped, and the map's names as valid UTF-8 without them.
TEST(RuvelRouteImport, SourceTextIsMadeSafe) {
  TempDir dir;
  WriteFile(
      dir / "evil.geojson",
      "{\"type\":\"FeatureCollection\",\"name\":\"roads\\u001b]0;title\\u0007\\u001b[2J\",\"crs\":{\"type\":"
      "\"name\",\"properties\":{\"name\":\"EPSG:32633\"}},\"features\":[{\"type\":\"Feature\",\"properties\":"
      "{\"name\":\"Bell\\u0007Road\\u009b\"},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[0,0],["
      "10,0]]}}]}");
  WriteFile(dir / "latin1.csv", "WKT,name\n\"LINESTRING (0 0,10 0)\",Caf\xE9\n");
  const CommandResult r = Route("import " + Quoted(dir / "evil.geojson") + " " + Quoted(dir / "Mevil.mif"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("layer \"roads\\x1b]0;title\\x07\\x1b[2J\""), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  std::ifstream mid(dir / "Sevil.mid", std::ios::binary);
  std::string row;
  std::getline(mid, row);
  EXPECT_EQ(row, "1,2,10,\"Bell Road \"");
  const std::string crs = " --source-crs EPSG:32633";
  ASSERT_EQ(
      Route("import --quiet " + Quoted(dir / "latin1.csv") + " " + Quoted(dir / "Mcafe.mif") + crs).exitCode,
      0);
  std::ifstream cafe(dir / "Scafe.mid", std::ios::binary);
  std::getline(cafe, row);
  EXPECT_EQ(row, "1,2,10,\"Caf\xEF\xBF\xBD\"");
}

// Nothing the source names reaches the network: a listening socket on this
// machine, named by a VRT, a linked coordinate system, a GML schema or
// --source-crs, receives no connection, and the VRT is refused.
TEST(RuvelRouteImport, NoRequestLeaves) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 8), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/roads";
  TempDir dir;
  WriteFile(dir / "remote.vrt", "<OGRVRTDataSource><OGRVRTLayer name=\"roads\"><SrcDataSource>/vsicurl/" +
                                    url + ".geojson</SrcDataSource></OGRVRTLayer></OGRVRTDataSource>");
  WriteFile(
      dir / "linked.geojson",
      "{\"type\":\"FeatureCollection\",\"crs\":{\"type\":\"link\",\"properties\":{\"href\":\"" + url +
          ".wkt\",\"type\":\"ogcwkt\"}},\"features\":[{\"type\":\"Feature\",\"properties\":{},\"geometry\":"
          "{\"type\":\"LineString\",\"coordinates\":[[0,0],[10,0]]}}]}");
  WriteFile(
      dir / "schema.gml",
      "<?xml version=\"1.0\"?><ogr:FeatureCollection xmlns:ogr=\"http://ogr.maptools.org/\" "
      "xmlns:gml=\"http://www.opengis.net/gml\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"http://ogr.maptools.org/ " +
          url +
          ".xsd\"><gml:featureMember><ogr:roads>"
          "<ogr:geometryProperty><gml:LineString srsName=\"EPSG:32633\"><gml:coordinates>0,0 "
          "10,0</gml:coordinates>"
          "</gml:LineString></ogr:geometryProperty></ogr:roads></gml:featureMember></ogr:FeatureCollection>");
  const std::string out = " " + Quoted(dir / "Mout.mif");
  const std::string cases[] = {
      Quoted(dir / "remote.vrt") + out, Quoted(dir / "linked.geojson") + out,
      Quoted(dir / "schema.gml") + out, Quoted(dir / "schema.gml") + out + " --source-crs " + url + ".prj",
      Quoted("/vsicurl/" + url) + out,
  };
  for (const std::string& args : cases) {
    SCOPED_TRACE(args);
    // A request would wait for an answer that never comes: the time limit ends it.
    const CommandResult r = RunCommand("timeout 20 '" + kRuvelRoute + "' import " + args);
    const int connection = accept(listener, nullptr, nullptr);
    EXPECT_LT(connection, 0) << "a request reached " << url;
    if (connection >= 0) close(connection);
    if (args.find(".vrt") != std::string::npos) {
      EXPECT_NE(r.err.find("cannot open"), std::string::npos) << r.err;
    }
  }
  close(listener);
}

// What import says and how it exits, for requests near the edges: speeds
// too slow to use, a name as long as the file system takes, text that
// would turn the terminal's writing direction.
TEST(RuvelRouteImport, MessagesAndExitCodes) {
  TempDir dir;
  WriteFile(dir / "own.csv", "WKT,name,kmh\n\"LINESTRING (1000 0,1100 0)\",A,0.00001\n");
  WriteFile(
      dir / "turn.geojson",
      "{\"type\":\"FeatureCollection\",\"name\":\"roads\u202E\",\"crs\":{\"type\":\"name\",\"properties\":{"
      "\"name\":\"EPSG:32633\"}},\"features\":[{\"type\":\"Feature\",\"properties\":{\"name\":\"Main\u202E"
      "Street\"},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[0,0],[10,0]]}}]}");
  const std::string own = Quoted(dir / "own.csv") + " ", longName = "M" + std::string(246, 'x') + ".mif";
  const struct {
    std::string args;
    int exitCode;
    std::string out, err;  // parts of what is printed
  } cases[] = {
      {own + "Mown.mif --default-speed 1e-300", 2, "",
       "ruvel-route import: --default-speed takes a speed of at least 0.1 km/h\nusage: "},
      {own + "Mown.mif --default-speed 0.09", 2, "",
       "ruvel-route import: --default-speed takes a speed of at least"},
      {own + "Mown.mif --speed-field kmh", 0, "at the default speed of 50 km/h: 1 lines", ""},
      {own + longName, 0, "written: ", ""},
      {Quoted(dir / "turn.geojson") + " Mturn.mif", 0, "layer \"roads\\xe2\\x80\\xae\"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CommandResult r =
        RunCommand("cd " + Quoted(dir.Path()) + " && '" + kRuvelRoute + "' import " + c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("9223372036854775807"), std::string::npos);
  }
  EXPECT_EQ(ReadWhole(dir / ("S" + longName.substr(1, longName.size() - 5) + ".mid")), "1,2,100,\"A\"\n");
  EXPECT_EQ(ReadWhole(dir / "Sturn.mid"), "1,2,10,\"Main Street\"\n");
}
