// The libosmium reader against GDAL's on random street grids whose shared
// positions are all shared nodes: the same map, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "import/road_import.h"
#include "tests/import_requests.h"
#include "tests/osm_sources.h"
#include "tests/test_files.h"

namespace {

// A random irregular grid of streets as OsmXml's text: size rows and as
// many columns of jittered points, each the node the row and the column
// share, or else a node of each a little apart, so that they cross without
// one. Rows and columns are cut into ways at random points (the two ways
// sharing the node there), with gaps and shape nodes between the points,
// and random classes (footways, which cars do not take, among them),
// names, directions and speeds. With sign -1 the ids are negative and the
// nodes in random order.
std::string RandomStreets(unsigned seed, int size, int sign) {
  std::mt19937 random(seed);
  const auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; };
  const auto pick = [&](const std::vector<std::string>& values) {
    return values[std::uniform_int_distribution<size_t>(0, values.size() - 1)(random)];
  };
  std::vector<std::string> nodes;
  std::string ways;
  int64_t next = 1;
  const auto node = [&](double x, double y) {
    nodes.push_back("n" + std::to_string(sign * next) + " " + std::to_string(x) + " " + std::to_string(y) +
                    "|");
    return sign * next++;
  };
  // The node each row ([0]) and column ([1]) takes at each point, and its position.
  std::vector<std::vector<std::array<int64_t, 2>>> at(size, std::vector<std::array<int64_t, 2>>(size));
  std::vector<std::vector<std::array<double, 2>>> xy(size, std::vector<std::array<double, 2>>(size));
  for (int i = 0; i < size; ++i) {
    for (int j = 0; j < size; ++j) {
      std::uniform_real_distribution<double> jitter(-0.3, 0.3);
      const double x = i + jitter(random), y = j + jitter(random);
      xy[i][j] = {x, y};
      const bool shared = chance(0.7);
      at[i][j][0] = node(shared ? x : x + 0.15, y);
      at[i][j][1] = shared ? at[i][j][0] : node(x, y + 0.15);
    }
  }
  const auto tags = [&]() {
    return " highway=" + pick({"residential", "primary", "secondary", "service", "footway", "unclassified"}) +
           pick({"", "", " name=Main", " name=Rue_de_l'Église", " name=A&B", " name=\"Quoted\""}) +
           pick({"", "", " oneway=yes", " oneway=-1"}) + pick({"", "", " maxspeed=30", " maxspeed=RU:urban"});
  };
  int64_t wayId = 1;
  for (int line = 0; line < 2 * size; ++line) {
    const int across = line % 2, fixed = line / 2;  // across: a column, fixed its i; else a row, fixed its j
    std::string way = "w" + std::to_string(sign * wayId++) + " " +
                      std::to_string(at[across ? fixed : 0][across ? 0 : fixed][across]);
    for (int k = 1; k < size; ++k) {
      const int i = across ? fixed : k, j = across ? k : fixed;
      const int64_t here = at[i][j][across];
      const bool gap = chance(0.1);
      if (!gap && chance(0.3)) {
        const std::array<double, 2>&a = xy[across ? i : i - 1][across ? j - 1 : j], &b = xy[i][j];
        way += " " + std::to_string(node((a[0] + b[0]) / 2 + (across ? 0.2 : 0),
                                         (a[1] + b[1]) / 2 + (across ? 0 : 0.2)));
      }
      if (!gap) way += " " + std::to_string(here);
      if (gap || chance(0.25) || k == size - 1) {
        if (way.find(' ', way.find(' ') + 1) != std::string::npos) ways += way + tags() + "|";
        way = "w" + std::to_string(sign * wayId++) + " " + std::to_string(here);
      }
    }
  }
  if (sign < 0) std::shuffle(nodes.begin(), nodes.end(), std::mt19937(seed));
  return std::accumulate(nodes.begin(), nodes.end(), std::string()) + ways;
}

}  // namespace

// GDAL's reader and libosmium's, from XML, from PBF, and from XML with
// negative ids in random order, write the same map.
TEST(OsmImport, SameMapAsGdal) {
  for (const unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
    SCOPED_TRACE(seed);
    TempDir dir;
    WriteFile(dir / "streets.osm", OsmXml(RandomStreets(seed, 6, 1)));
    WriteOsmPbf(dir / "streets.osm", dir / "streets.osm.pbf");
    WriteFile(dir / "disordered.osm", OsmXml(RandomStreets(seed, 6, -1)));
    QuietRequest gdal(dir / "streets.osm", dir / "Mgdal.mif");
    gdal.request.where = "1=1";
    ASSERT_EQ(ImportRoads(gdal.request).reader, "GDAL");
    for (const std::string source : {"streets.osm", "streets.osm.pbf", "disordered.osm"}) {
      SCOPED_TRACE(source);
      QuietRequest osmium(dir / source, dir / "Mosmium.mif");
      const ImportReport report = ImportRoads(osmium.request);
      ASSERT_EQ(report.reader, "libosmium");
      EXPECT_GT(report.segments, 20);
      for (const char* file : {"M.mif", "M.mid", "S.mif", "S.mid"}) {
        const std::string name(file, 1), ext = file + 1;
        EXPECT_EQ(ReadWhole(dir / (name + "osmium" + ext)), ReadWhole(dir / (name + "gdal" + ext))) << file;
      }
    }
  }
}
