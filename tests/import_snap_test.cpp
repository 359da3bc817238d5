// --snap: which ends it joins, measured on the ground, and the roads it
// leaves: none collapsed, each as long as it is drawn.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "import/road_import.h"
#include "tests/import_requests.h"
#include "tests/ogr_sources.h"
#include "tests/test_files.h"

namespace {

// How many degrees of longitude make one metre on the WGS 84 ellipsoid at
// the latitude.
double DegreesPerMetre(double lat) {
  const double a = 6378137.0, f = 1 / 298.257223563, e2 = f * (2 - f), phi = lat * M_PI / 180;
  return 180 / (M_PI * a * std::cos(phi) / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi)));
}

// Two roads along a parallel at lat, the second starting gap metres east of
// the first's end, written in Web Mercator, where a metre on the ground is
// 1/cos(lat) map units.
std::vector<SourceFeature> MercatorGap(double lat, double gap) {
  const double end = 10.01, start = end + gap * DegreesPerMetre(lat);
  return {{LineInSystem({{10.0, lat}, {end, lat}}, 3857), "A"},
          {LineInSystem({{start, lat}, {10.02, lat}}, 3857), "B"}};
}

// The length of a drawn line, in its own units.
double DrawnLength(const std::vector<LonLat>& line) {
  double length = 0;
  for (size_t k = 1; k < line.size(); ++k)
    length += std::hypot(line[k].lon - line[k - 1].lon, line[k].lat - line[k - 1].lat);
  return length;
}

}  // namespace

TEST(ImportSnap, JoinsOnTheGroundAndKeepsEveryRoadAsDrawn) {
  const struct {
    const char* what;
    int epsg;
    std::vector<SourceFeature> roads;
    double snap;
    int64_t joined;
    std::vector<int> lengths;  // of the segments in order, for roads in metres; empty: not checked
  } cases[] = {
      {"a 3 m gap at 60 N, --snap 4", 3857, MercatorGap(60, 3), 4, 1, {}},
      {"a 3 m gap at 60 N, --snap 2", 3857, MercatorGap(60, 3), 2, 0, {}},
      {"a 10 m gap at 70 N, --snap 11", 3857, MercatorGap(70, 10), 11, 1, {}},
      {"a 10 m gap at 70 N, --snap 9", 3857, MercatorGap(70, 10), 9, 0, {}},
      {"an end 900 m from a road, its road measured as drawn",
       kLocalMetres,
       {{"LINESTRING (0 0,1000 0)", "A"}, {"LINESTRING (500 900,500 1111)", "B"}},
       1000,
       1,
       {500, 500, 1111}},
      {"both ends of a road near one end of another: one moves, none collapses",
       kLocalMetres,
       {{"LINESTRING (0 0,716 0)", "A"}, {"LINESTRING (358 900,358 2000)", "B"}},
       1000,
       1,
       {969, 1100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteOgrSource(dir / "roads.gpkg", "GPKG", c.epsg, c.roads);
    QuietRequest request(dir / "roads.gpkg", dir / "Mroads.mif");
    request.request.hasSnap = 1;
    request.request.snapMetres = c.snap;
    const ImportReport report = ImportRoads(request.request);
    EXPECT_EQ(report.joinedEnds, c.joined);
    EXPECT_EQ(report.collapsedLines, 0);
    if (c.lengths.empty()) continue;
    const std::vector<ReadBackFeature> segments = ReadOgrLayer(dir / "Sroads.mif");
    ASSERT_EQ(segments.size(), c.lengths.size());
    for (size_t i = 0; i < segments.size(); ++i) {
      EXPECT_EQ(std::stoi(segments[i].fields.at("Length")), c.lengths[i]) << i;
      EXPECT_NEAR(DrawnLength(PositionsOf(segments[i].wkt)), c.lengths[i], 0.5) << i;
    }
  }
}
