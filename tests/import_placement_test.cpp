// Where an import puts the roads when some features of the source cannot be
// placed: those are skipped and named, and nothing about them (the map's
// coordinate system, its UTM zone or hemisphere) comes from them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/import_error.h"
#include "import/road_import.h"
#include "tests/import_requests.h"
#include "tests/ogr_sources.h"
#include "tests/test_files.h"

namespace {

// count short roads starting at from, each 0.01 degrees east of the last.
std::vector<std::vector<LonLat>> Roads(LonLat from, int count) {
  std::vector<std::vector<LonLat>> roads;
  for (int i = 0; i < count; ++i) {
    const LonLat start{from.lon + 0.01 * i, from.lat};
    roads.push_back({start, {start.lon + 0.005, start.lat + 0.003}});
  }
  return roads;
}

}  // namespace

// Each source mixes good roads with features that cannot be placed: outside
// the projection's domain, swapped longitude and latitude, beyond the poles,
// beyond the map's 32 bits. The bad ones are skipped and named; the map's
// system is the one the good ones alone give, and every junction lies
// within a metre of where it belongs.
TEST(ImportPlacement, BadFeaturesPlaceNothing) {
  const struct {
    const char* what;
    int epsg;
    LonLat from;
    int good;
    std::vector<std::string> bad;  // WKT in the source's system
    bool badFirst;                 // the bad features before each good one, else after the good ones
    const char* mapSystem;         // a part of the map's system's name
    const char* reason;            // a part of the first bad feature's reason
  } cases[] = {
      {"every other line outside the projection",
       3035,
       {13.40, 52.50},
       16,
       std::vector<std::string>(16, "LINESTRING (100000000 100000000,100000100 100000000)"),
       true,
       "UTM zone 33N",
       "cannot be transformed to WGS 84"},
      {"Tokyo with swapped coordinates",
       4326,
       {139.70, 35.68},
       5,
       {"LINESTRING (35.69 139.71,35.70 139.71)"},
       false,
       "UTM zone 54N",
       "(35.69 139.71) lies outside the Earth"},
      {"Sydney with a latitude of 95",
       4326,
       {151.20, -33.87},
       5,
       {"LINESTRING (151.2 95,151.3 95)"},
       false,
       "UTM zone 56S",
       "lies outside the Earth"},
      {"Web Mercator beyond the map's 32 bits",
       3857,
       {13.40, 52.50},
       5,
       {"LINESTRING (1491000 5000000000,1492000 5000000000)"},
       false,
       "",
       "(1491000 5000000000)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::vector<SourceFeature> features;
    std::vector<LonLat> expected;
    for (const std::vector<LonLat>& road : Roads(c.from, c.good)) {
      if (c.badFirst) features.push_back({c.bad[features.size() / 2], "bad"});
      features.push_back({LineInSystem(road, c.epsg), "good"});
      expected.insert(expected.end(), road.begin(), road.end());
    }
    if (!c.badFirst)
      for (const std::string& wkt : c.bad) features.push_back({wkt, "bad"});
    WriteOgrSource(dir / "roads.gpkg", "GPKG", c.epsg, features);
    QuietRequest request(dir / "roads.gpkg", dir / "Mroads.mif");
    const ImportReport report = ImportRoads(request.request);
    EXPECT_EQ(report.untransformable, static_cast<int64_t>(c.bad.size()));
    ASSERT_FALSE(report.untransformableFirst.empty());
    EXPECT_NE(report.untransformableFirst[0].find(c.reason), std::string::npos)
        << report.untransformableFirst[0];
    EXPECT_NE(report.mapSystem.find(c.mapSystem), std::string::npos) << report.mapSystem;
    const std::vector<LonLat> junctions = MapJunctionsInWgs84(dir / "Mroads.mif");
    ASSERT_EQ(junctions.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
      EXPECT_LT(GeodesicMetres(junctions[i], expected[i]), 1.0) << i;
  }
}

// A source without a coordinate system keeps its coordinates as metres: a
// feature beyond the map's 32 bits is skipped and named, and only a source
// of such features alone is refused.
TEST(ImportPlacement, CoordinatesBeyondTheMapAreSkipped) {
  TempDir dir;
  WriteFile(dir / "far.csv",
            "WKT,name\n\"LINESTRING (0 0,100 0)\",near\n\"LINESTRING (10000000000 0,10000000100 0)\",far\n");
  WriteFile(dir / "farther.csv", "WKT,name\n\"LINESTRING (10000000000 0,10000000100 0)\",far\n");
  QuietRequest request(dir / "far.csv", dir / "Mroads.mif");
  const ImportReport report = ImportRoads(request.request);
  EXPECT_EQ(report.segments, 1);
  ASSERT_EQ(report.untransformableFirst.size(), 1u);
  EXPECT_EQ(report.untransformableFirst[0], "feature 2: (1e+10 0) lies beyond the map's 32-bit coordinates");
  QuietRequest alone(dir / "farther.csv", dir / "Mroads.mif");
  EXPECT_THROW(ImportRoads(alone.request), ImportError);
}
