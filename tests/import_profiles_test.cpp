// Importing with the car, bike, foot and all profiles: which roads each
// keeps, which way and how fast, on a small OpenStreetMap town.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "import/road_import.h"
#include "import/road_rules.h"
#include "map/layer_loader.h"
#include "map/map_files.h"
#include "map/map_store.h"
#include "tests/import_requests.h"
#include "tests/ogr_sources.h"
#include "tests/test_files.h"

namespace {

// Nodes 1, 12, 2, 3 run east along 43.73 degrees north. The one-way street
// (1, 12, 2) is split at 12 by a side street; the back lane (2, 5, 4, 1)
// is the way round it, passing the steps and footway at 5 and a private
// drive at 4. The roundabout is a closed way. A tag holding escaped quotes
// and "=>" comes before the one-way street's `oneway` in `other_tags`.
// clang-format off
const LonLat kNodes[] = {{0, 0},
    {7.4200, 43.7300}, {7.4210, 43.7300}, {7.4220, 43.7300}, {7.4200, 43.7310}, {7.4210, 43.7310},
    {7.4220, 43.7310}, {7.4230, 43.7315}, {7.4230, 43.7305}, {7.4300, 43.7300}, {7.4190, 43.7310},
    {7.4210, 43.7320}, {7.4205, 43.7300}, {7.4205, 43.7295}};
// clang-format on
const char* const kWays[] = {
    R"(1,12,2" k="highway" v="residential"/><tag k="name" v="One Way"/><tag k="description" v="say &quot;hi\&quot;, oneway=&gt;no"/><tag k="oneway" v="yes)",
    R"(2,5,4,1" k="highway" v="residential"/><tag k="name" v="Back Lane)",
    R"(2,3" k="highway" v="residential"/><tag k="maxspeed" v="30"/><tag k="name" v="Slow Street)",
    R"(6,7,8,6" k="highway" v="primary"/><tag k="junction" v="roundabout"/><tag k="name" v="Roundabout)",
    R"(3,6" k="highway" v="tertiary"/><tag k="name" v="Link)",
    R"(3,9" k="highway" v="motorway"/><tag k="name" v="Motorway)",
    R"(5,6" k="highway" v="steps"/><tag k="name" v="Steps)",
    R"(4,10" k="highway" v="service"/><tag k="access" v="private"/><tag k="name" v="Private Drive)",
    R"(5,11" k="highway" v="footway"/><tag k="name" v="Footpath)",
    R"(12,13" k="highway" v="residential"/><tag k="name" v="Side)",
};

void WriteTown(const std::string& path) {
  std::string xml = "<?xml version=\"1.0\"?>\n<osm version=\"0.6\" generator=\"test\">\n";
  for (size_t n = 1; n < std::size(kNodes); ++n)
    xml += "<node id=\"" + std::to_string(n) + "\" version=\"1\" lat=\"" + std::to_string(kNodes[n].lat) +
           "\" lon=\"" + std::to_string(kNodes[n].lon) + "\"/>\n";
  for (size_t w = 0; w < std::size(kWays); ++w) {
    const std::string way = kWays[w], refs = way.substr(0, way.find('"'));
    xml += "<way id=\"" + std::to_string(w + 1) + "\" version=\"1\">";
    std::istringstream nodes(refs);
    for (std::string node; std::getline(nodes, node, ',');) xml += "<nd ref=\"" + node + "\"/>";
    xml += "<tag" + way.substr(refs.size() + 1) + "\"/></way>\n";
  }
  WriteFile(path, xml + "</osm>\n");
}

// The geodesic length of the path through the nodes.
double PathMetres(const std::vector<int>& nodes) {
  double metres = 0;
  for (size_t k = 1; k < nodes.size(); ++k) metres += GeodesicMetres(kNodes[nodes[k - 1]], kNodes[nodes[k]]);
  return metres;
}

class ImportProfiles : public ::testing::Test {
 protected:
  void TearDown() override { ClearMapStore(); }
  TempDir dir;
};

}  // namespace

// Each profile's segments in source order, by name, direction and speed;
// pieces of a split way keep its direction, and junctions join kept roads
// only (the back lane is split at the steps for walkers alone).
TEST_F(ImportProfiles, EachProfileKeepsItsRoads) {
  WriteTown(dir / "town.osm");
  struct Expected {
    const char* name;
    int oneway;
    double speed;
  };
  // clang-format off
  const struct {
    const char* profile;
    int64_t leftOut;
    std::vector<Expected> segments;
  } cases[] = {
      {"car", 3, {{"One Way", 1, 25}, {"One Way", 1, 25}, {"Back Lane", 0, 25}, {"Slow Street", 0, 30},
                  {"Roundabout", 1, 65}, {"Link", 0, 40}, {"Motorway", 1, 90}, {"Side", 0, 25}}},
      {"bike", 4, {{"One Way", 1, 15}, {"One Way", 1, 15}, {"Back Lane", 0, 15}, {"Slow Street", 0, 15},
                   {"Roundabout", 1, 15}, {"Link", 0, 15}, {"Side", 0, 15}}},
      {"foot", 2, {{"One Way", 0, 5}, {"One Way", 0, 5}, {"Back Lane", 0, 5}, {"Back Lane", 0, 5},
                   {"Slow Street", 0, 5}, {"Roundabout", 0, 5}, {"Link", 0, 5}, {"Steps", 0, 5},
                   {"Footpath", 0, 5}, {"Side", 0, 5}}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile);
    QuietRequest request(dir / "town.osm", dir / "Mtown.mif");
    request.request.profile = c.profile;
    const ImportReport report = ImportRoads(request.request);
    EXPECT_EQ(report.leftOutLines, c.leftOut);
    ClearMapStore();
    LoadMapLayers(dir / "Mtown.mif");
    ASSERT_EQ(segmentCount, static_cast<int32_t>(c.segments.size()));
    ASSERT_EQ(segmentDuration.size(), c.segments.size());
    for (int32_t j = 0; j < segmentCount; ++j) {
      const Expected& e = c.segments[j];
      EXPECT_EQ(std::string(segmentName[j]), e.name);
      EXPECT_EQ(segmentOneway[j], e.oneway) << e.name;
      EXPECT_NEAR(segmentDuration[j], segments[j].Length * 36 / e.speed, 0.5 + 18 / e.speed) << e.name;
    }
  }
  // The last import, on foot: a duration from the unrounded geodesic length.
  EXPECT_EQ(segmentDuration[3], std::lround(PathMetres({5, 4, 1}) * 36 / 5));
}

// Every road a car may use is kept or left out by its tags as the most
// specific tag says; directions and speeds follow oneway, junction, class
// and maxspeed. Bikes and walkers read their own tags. Tags are given as an
// other_tags text.
TEST(RoadRules, TagsDecide) {
  const struct {
    const char* profile;
    const char* tags;
    bool kept;
    int oneway;
    double speed;
  } cases[] = {
      {"car", R"("highway"=>"residential","motorcar"=>"yes","motor_vehicle"=>"no")", true, 0, 25},
      {"car", R"("highway"=>"residential","motor_vehicle"=>"no","access"=>"yes")", false, 0, 0},
      {"car", R"("highway"=>"primary","area"=>"yes")", false, 0, 0},
      {"car", R"("highway"=>"motorway","oneway"=>"no")", true, 0, 90},
      {"car", R"("highway"=>"motorway_link","oneway"=>"maybe")", true, 1, 45},
      {"car", R"("highway"=>"secondary","oneway"=>"reverse","maxspeed"=>"20 mph")", true, -1, 32.18688},
      {"car", R"("highway"=>"trunk","junction"=>"circular","maxspeed"=>"RU:urban")", true, 1, 85},
      {"car", R"("highway"=>"tertiary_link","oneway"=>"-1","maxspeed"=>"0")", true, -1, 20},
      {"bike", R"("highway"=>"residential","oneway"=>"yes","cycleway"=>"opposite_lane")", true, 0, 15},
      {"bike", R"("highway"=>"service","oneway:bicycle"=>"yes")", true, 1, 15},
      {"bike", R"("highway"=>"footway","bicycle"=>"designated")", true, 0, 15},
      {"bike", R"("highway"=>"cycleway","bicycle"=>"yes","vehicle"=>"no")", true, 0, 15},
      {"foot", R"("highway"=>"cycleway","foot"=>"yes")", true, 0, 5},
      {"foot", R"("highway"=>"residential","oneway"=>"yes","junction"=>"roundabout")", true, 0, 5},
      {"foot", R"("highway"=>"steps","oneway:foot"=>"yes","access"=>"private")", false, 0, 0},
      {"foot", R"("highway"=>"steps","oneway:foot"=>"yes","foot"=>"yes","access"=>"private")", true, 1, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " " + c.tags);
    RuvelImportRequest request = {};
    request.profile = c.profile;
    const RoadRules rules(request, true);
    RoadTags tags;
    tags.AddOtherTags(c.tags);
    RoadTraits traits;
    bool tookDefault = false;
    ASSERT_EQ(rules.Judge(tags, traits, tookDefault), c.kept);
    if (!c.kept) continue;
    EXPECT_EQ(traits.oneway, c.oneway);
    EXPECT_DOUBLE_EQ(traits.speed, c.speed);
  }
}

// ruvel-route imports OpenStreetMap data for cars unless told otherwise: a
// route against the one-way street goes round by the back lane, which a
// walker need not. Other sources keep every line, with directions and
// speeds from their own fields when asked.
TEST(RuvelRouteImport, ProfilesOnTheCommandLine) {
  TempDir dir;
  WriteTown(dir / "town.osm");
  WriteFile(dir / "own.csv",
            "WKT,name,dir,kmh\n\"LINESTRING (1000 0,1100 0)\",A,TF,36\n\"LINESTRING (1100 0,1100 "
            "50)\",B,Yes,fast\n");
  const std::string town = "'" + (dir / "town.osm") + "' ", own = "'" + (dir / "own.csv") + "' ";
  const auto run = [&dir](const std::string& before, const std::string& map, const std::string& after = "") {
    return RunCommand("'" + kRuvelRoute + "' " + before + " '" + (dir / map) + "' " + after);
  };
  const CommandResult car = run("import " + town, "Mcar.mif");
  EXPECT_NE(car.out.find("profile: car, 7 lines kept, 3 left out\none-way segments: 4\n"), std::string::npos);
  ASSERT_EQ(run("import --quiet --profile foot " + town, "Mfoot.mif").exitCode, 0);
  // Junction 3 is node 2, the one-way street's end; junction 1 its start.
  const std::string carRoutes = run("route", "Mcar.mif", "3 1 1 3").out;
  EXPECT_NE(carRoutes.find("length 303\ncodes: 3 1\n"), std::string::npos) << carRoutes;
  EXPECT_NE(carRoutes.find("length 80\ncodes: 1 2 3\n"), std::string::npos);
  EXPECT_NE(run("route", "Mfoot.mif", "3 1").out.find("length 80\ncodes: 3 2 1\n"), std::string::npos);

  const CommandResult fields =
      run("import --oneway-field dir --speed-field kmh --default-speed 18 " + own, "Mown.mif");
  EXPECT_NE(fields.out.find("profile: all, 2 lines kept, 0 left out\none-way segments: 2\n"
                            "at the default speed of 18 km/h: 1 lines\n"),
            std::string::npos)
      << fields.err;
  std::ifstream mid(dir / "Sown.mid");
  std::stringstream rows;
  rows << mid.rdbuf();
  EXPECT_EQ(rows.str(), "1,2,100,-1,100,\"A\"\n2,3,50,1,100,\"B\"\n");

  const struct {
    std::string args;
    int exitCode;
    std::string err;
  } refusals[] = {
      {town + "--profile boat", 2, "ruvel-route import: --profile takes car, bike, foot or all\n"},
      {town + "--default-speed 0", 2, "ruvel-route import: --default-speed takes a speed of at least 0.1"},
      {town + "--profile bike --speed-field kmh", 2,
       "ruvel-route import: --oneway-field, --speed-field and "},
      {town + "--oneway-field oneway", 2,
       "ruvel-route import: --oneway-field, --speed-field and --default-speed go with --profile all, not car "
       "(the profile of OpenStreetMap data"},
      {town + "--profile all --speed-field maxspeed", 1,
       "ruvel-route: layer \"lines\" has no field \"maxspeed\"\n"},
      {own + "--profile car", 1,
       "ruvel-route: layer \"own\" has no field \"highway\": the car profile reads OpenStreetMap tags"},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.args);
    const CommandResult refused = run("import " + r.args, "Mno.mif");
    EXPECT_EQ(refused.exitCode, r.exitCode);
    EXPECT_EQ(refused.err.substr(0, r.err.size()), r.err);
  }
}
