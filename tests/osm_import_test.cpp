// Importing OpenStreetMap files with libosmium: junctions from node ids,
// barriers, turn restrictions, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "import/import_error.h"
#include "import/road_import.h"
#include "map/layer_loader.h"
#include "route/route_search.h"
#include "tests/import_requests.h"
#include "tests/osm_sources.h"
#include "tests/test_files.h"

namespace {

// The parts of the text between the separators: a .mid file's rows at
// '\n', a row's fields at ',' (no field holds one here).
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// The positions of the Point objects, or the first and last vertex of each
// Pline, in a .mif file, in order (none for an empty file).
std::vector<std::string> Ends(const std::string& mif) {
  std::vector<std::string> ends;
  std::istringstream text(mif.substr(std::min(mif.size(), mif.find("\nData\n"))));
  for (std::string word, x, y; text >> word;) {
    int count = 1;
    if (word == "Pline") text >> count;
    if (word != "Point" && word != "Pline") continue;
    for (int k = 0; k < count && text >> x >> y; ++k)
      if (k == 0 || k == count - 1) ends.push_back(x + " " + y);
  }
  return ends;
}

// Expects each segment of the map `base` in dir to begin and end where its
// From and To junctions are, and each turn restriction at its Via junction.
void ExpectEndsOnJunctions(const TempDir& dir, const std::string& base) {
  const std::vector<std::string> points = Ends(ReadWhole(dir / ("M" + base + ".mif")));
  const std::vector<std::string> lines = Ends(ReadWhole(dir / ("S" + base + ".mif")));
  const std::vector<std::string> segments = Split(ReadWhole(dir / ("S" + base + ".mid")), '\n');
  ASSERT_EQ(lines.size(), 2 * segments.size());
  for (size_t s = 0; s < segments.size(); ++s) {
    EXPECT_EQ(lines[2 * s], points.at(std::stoul(Split(segments[s], ',')[0]) - 1)) << s;
    EXPECT_EQ(lines[2 * s + 1], points.at(std::stoul(Split(segments[s], ',')[1]) - 1)) << s;
  }
  const std::vector<std::string> vias = Ends(ReadWhole(dir / ("T" + base + ".mif")));
  const std::vector<std::string> rows = Split(ReadWhole(dir / ("T" + base + ".mid")), '\n');
  ASSERT_EQ(vias.size(), rows.size());
  for (size_t r = 0; r < rows.size(); ++r)
    EXPECT_EQ(vias[r], points.at(std::stoul(Split(rows[r], ',')[4]) - 1));
}

// Imports the items (OsmXml's text) for the profile from an XML file and
// from the same as PBF, into the maps `xml` and `pbf` in dir; expects both
// maps alike, and sound. Returns the report of the XML import.
ImportReport ImportBoth(const TempDir& dir, const std::string& items, const char* profile = "car") {
  WriteFile(dir / "in.osm", OsmXml(items));
  WriteOsmPbf(dir / "in.osm", dir / "in.osm.pbf");
  ImportReport reports[2];
  const std::string bases[] = {"xml", "pbf"};
  for (int k = 0; k < 2; ++k) {
    QuietRequest request(dir / (k == 0 ? "in.osm" : "in.osm.pbf"), dir / ("M" + bases[k] + ".mif"));
    request.request.profile = profile;
    reports[k] = ImportRoads(request.request);
    EXPECT_EQ(reports[k].reader, "libosmium");
    ExpectEndsOnJunctions(dir, bases[k]);
  }
  for (const std::string file : {"M.mif", "M.mid", "S.mif", "S.mid", "T.mif", "T.mid"}) {
    const std::string name = file.substr(0, 1), ext = file.substr(1);
    EXPECT_EQ(ReadWhole(dir / (name + "xml" + ext)), ReadWhole(dir / (name + "pbf" + ext))) << file;
  }
  EXPECT_EQ(reports[0].cutWays, reports[1].cutWays);
  EXPECT_EQ(reports[0].restrictionsSkipped, reports[1].restrictionsSkipped);
  return reports[0];
}

// Each segment's junctions, "from-to", in the order of the rows.
std::string SegmentEnds(const std::string& mid) {
  std::string ends;
  for (const std::string& row : Split(mid, '\n'))
    ends += (ends.empty() ? "" : " ") + Split(row, ',')[0] + "-" + Split(row, ',')[1];
  return ends;
}

// A cross of streets meeting at node 2: west (way 10, split at node 1 by
// way 16), east (11), north (12) and south (13); beyond the east arm ways
// 14 and 15 run on to node 7, then way 19 to the wall at node 13 and way
// 20 past it. Its segments, in order: 0 and 1 (way 10), 2 (11), 3 (12),
// 4 (13), 5 (14), 6 (15), 7 (16), 8 (17), 9 (18), 10 (19), 11 (20), 12
// (22, on from node 8), 13 and 14 (23, a loop from node 3 through node 16),
// 15 (24); node 2 is junction 3, node 3 junction 4, node 6 junction 7. Way
// 21 is a footway.
std::string Cross() {
  std::string items =
      "n8 -1 1|n1 0 1|n2 1 1|n3 2 1|n4 1 2|n5 1 0|n6 3 1|n7 4 1|n9 0 2|n10 3 2|n11 2 0|n13 5 1 barrier=wall|"
      "n14 5 2|n15 -1 0|n16 3 0|n17 2.5 -1|n18 4 0|w21 4 9 highway=footway|";
  for (const char* way :
       {"w10 8 1 2", "w11 2 3", "w12 2 4", "w13 5 2", "w14 3 6", "w15 6 7", "w16 1 9", "w17 6 10", "w18 3 11",
        "w19 7 13", "w20 13 14", "w22 8 15", "w23 3 16 17 3", "w24 16 18"})
    items += std::string(way) + " highway=residential|";
  return items;
}

}  // namespace

// Junctions are the nodes ways share, the ends of ways and the nodes a way
// passes twice, never a mere position; a way is cut where the file lacks
// its nodes and its pieces kept apart; a blocking barrier is a junction of
// its own for each segment meeting it.
TEST(OsmImport, JunctionsFromNodeIds) {
  const struct {
    const char* what;
    const char* items;
    const char* ends;
    int64_t cutWays;
  } cases[] = {
      {"a shared node",
       "n1 0 0|n2 1 0|n3 2 0|n4 1 1|n5 1 -1|w1 1 2 3 highway=primary|w2 4 2 5 highway=service",
       "1-2 2-3 4-2 2-5", 0},
      {"a crossing without one", "n1 0 0|n3 2 0|n4 1 1|n5 1 -1|w1 1 3 highway=primary|w2 4 5 highway=primary",
       "1-2 3-4", 0},
      {"two nodes at one position",
       "n1 0 0|n2 1 0|n4 1 1|n6 1 0|w1 1 2 highway=primary|w2 6 4 highway=primary", "1-2 3-4", 0},
      {"a way through a node twice", "n1 0 0|n2 1 0|n3 2 0|n4 2 1|n5 1 -1|w1 1 2 3 4 2 5 highway=primary",
       "1-2 2-2 2-3", 0},
      {"nodes missing inside and at the border",
       "n1 0 0|n2 1 0|n3 2 0|n4 3 0|n5 0 1|w1 1 2 99 3 4 highway=primary|w2 97 5 1 98 highway=primary|"
       "w3 96 4 95 highway=primary",
       "1-2 3-4 5-1", 3},
      {"negative ids out of order",
       "n-3 2 0|n-1 0 0|n-4 1 1|n-2 1 0|w-1 -1 -2 -3 highway=primary|w-2 -4 -2 highway=primary",
       "1-2 2-3 4-2", 0},
      {"a wall where ways meet",
       "n1 0 0|n2 1 0 barrier=wall|n3 2 0|n4 1 1|w1 1 2 3 highway=primary|w2 4 2 highway=primary",
       "1-2 3-4 5-6", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const ImportReport report = ImportBoth(dir, c.items);
    EXPECT_EQ(SegmentEnds(ReadWhole(dir / "Sxml.mid")), c.ends);
    EXPECT_EQ(report.cutWays, c.cutWays);
  }
}

// A barrier on a road splits it for the profiles it blocks and no other:
// the access tags most specific to the profile decide, else its kind.
TEST(OsmImport, BarriersByProfile) {
  const struct {
    const char* tags;
    const char* blocks;  // c, b, f: blocks car, bike, foot
  } cases[] = {
      // clang-format off
      {"barrier=border_control", ""}, {"barrier=toll_booth", ""}, {"barrier=toll_gantry", ""},
      {"barrier=cattle_grid", ""}, {"barrier=gate", ""}, {"barrier=lift_gate", ""}, {"barrier=no", ""},
      {"barrier=entrance", ""}, {"barrier=sally_port", ""}, {"barrier=arch", ""},
      {"barrier=height_restrictor", ""}, {"barrier=kerb kerb=lowered", ""}, {"barrier=kerb kerb=flush", ""},
      {"barrier=kerb kerb=raised", "c"}, {"barrier=kerb", "c"}, {"barrier=bollard bollard=rising", ""},
      {"barrier=bollard", "c"}, {"barrier=block", "c"}, {"barrier=wall", "cbf"}, {"barrier=fence", "cbf"},
      {"barrier=yes", "cbf"}, {"barrier=gate access=private", "cbf"}, {"barrier=gate access=no foot=yes", "cb"},
      {"barrier=wall motorcar=yes", "bf"}, {"barrier=bollard vehicle=no", "cb"},
      {"barrier=bollard motor_vehicle=yes vehicle=no", "b"},
      {"barrier=gate motorcar=private motor_vehicle=yes access=yes", "c"},
      {"barrier=gate bicycle=no access=yes", "b"}, {"barrier=fence access=destination", ""},
      // clang-format on
  };
  std::string items;  // way i from node 3i + 1 through the barrier at 3i + 2 to 3i + 3, named Bi
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string y = " " + std::to_string(i), a = std::to_string(3 * i + 1),
                      b = std::to_string(3 * i + 2), c = std::to_string(3 * i + 3);
    items += "n" + a + " 0" + y + "|n" + b + " 1" + y + " " + cases[i].tags + "|n" + c + " 2" + y + "|w" + a +
             " " + a + " " + b + " " + c + " highway=residential name=B" + y.substr(1) + "|";
  }
  for (const char* profile : {"car", "bike", "foot"}) {
    SCOPED_TRACE(profile);
    TempDir dir;
    const ImportReport report = ImportBoth(dir, items, profile);
    const std::string rows = ReadWhole(dir / "Sxml.mid");
    int64_t blocking = 0;
    for (size_t i = 0; i < std::size(cases); ++i) {
      const bool blocks = std::string(cases[i].blocks).find(profile[0]) != std::string::npos;
      std::string name = "\"B" + std::to_string(i) + "\"";
      size_t segments = 0;
      for (size_t at = rows.find(name); at != std::string::npos; at = rows.find(name, at + 1)) ++segments;
      EXPECT_EQ(segments, blocks ? 2u : 1u) << cases[i].tags;
      blocking += blocks;
    }
    EXPECT_EQ(report.barriersBlocking, blocking);
    EXPECT_EQ(report.barriersPassed, static_cast<int64_t>(std::size(cases)) - blocking);
  }
}

// Each shape of turn restriction on the cross gives its T rows, From and
// To the segments at the via, or is skipped with its reason.
TEST(OsmImport, TurnRestrictions) {
  const std::string left = R"("no_left_turn","no",1,3,3,"")";
  const struct {
    const char* profile;
    const char* relations;
    std::string rows, skipped;  // the rows separated by ';'
  } cases[] = {
      {"car", "r1 from:w10 via:n2 to:w12 restriction=no_left_turn", left, ""},
      {"car", "r1 from:w13 via:n2 to:w10 restriction=no_right_turn", R"("no_right_turn","no",4,1,3,"")", ""},
      {"car", "r1 from:w10 via:n2 to:w11 restriction=only_straight_on",
       R"("only_straight_on","only",1,2,3,"")", ""},
      {"car", "r1 from:w10 via:w11 to:w18 restriction=no_right_turn", R"("no_right_turn","no",1,9,3,"2")",
       ""},
      {"car", "r1 from:w10 via:w11 via:w14 to:w17 restriction=no_straight_on",
       R"("no_straight_on","no",1,8,3,"2 5")", ""},
      {"car", "r1 from:w17 via:w14 via:w11 to:w13 restriction=no_left_turn",
       R"("no_left_turn","no",8,4,7,"5 2")", ""},
      {"car", "r1 from:w23 via:n3 to:w18 restriction=no_right_turn", R"("no_right_turn","no",14,9,4,"")", ""},
      {"car", "r1 from:w11 via:n3 to:w23 restriction=only_left_turn", R"("only_left_turn","only",2,13,4,"")",
       ""},
      {"car", "r1 from:w11 via:w10 to:w22 restriction=no_left_turn", R"("no_left_turn","no",2,12,3,"1 0")",
       ""},
      {"car", "r1 from:w10 via:n2 to:w12 restriction=no_left_turn except=bicycle;psv", left, ""},
      {"car", "r1 from:w10 via:n2 to:w12 restriction=no_left_turn except=psv;motorcar", "",
       "1 naming the profile's vehicle in except"},
      {"car", "r1 from:w10 via:n2 to:w12 restriction=no_left_turn restriction:motorcar=no_u_turn",
       R"("no_u_turn","no",1,3,3,"")", ""},
      {"car", "r1 from:w10 via:n2 to:w12 restriction:conditional=no_left_turn@(Mo-Fr)", "", "1 conditional"},
      {"car", "r1 from:w10 via:n2 to:w12 restriction:conditional=no_left_turn@(Mo) restriction=no_left_turn",
       left, ""},
      {"car", "r1 from:w10 via:n2 to:w11 restriction=no_straight_on_on_red", "", "1 on red"},
      {"car", "r1 from:w10 via:n2 to:w11 restriction=give_way", "", "1 of unknown value"},
      {"car", "r1 from:w16 via:n2 to:w12 restriction=no_left_turn", "",
       "1 whose from or to does not begin or end at the via"},
      {"car", "r1 from:w10 via:w11 via:w15 to:w17 restriction=no_straight_on", "",
       "1 whose via ways do not join up"},
      {"car", "r1 from:w10 from:w13 via:n2 to:w12 restriction=no_left_turn", "",
       "1 with several from or to or other members"},
      {"car", "r1 from:w10 from:w13 via:n2 to:w12 restriction=no_entry",
       R"("no_entry","no",1,3,3,"";"no_entry","no",4,3,3,"")", ""},
      {"car", "r1 from:w10 via:n2 to:w11 to:w12 restriction=no_exit",
       R"("no_exit","no",1,2,3,"";"no_exit","no",1,3,3,"")", ""},
      {"car", "r1 from:w19 via:n13 to:w20 restriction=no_straight_on", "", "1 through a blocking barrier"},
      {"car", "r1 from:w15 via:w19 to:w20 restriction=no_straight_on", "", "1 through a blocking barrier"},
      {"car",
       "r1 from:w10 via:n2 to:w21 restriction=no_left_turn|"
       "r2 from:w99 via:n2 to:w12 restriction=no_left_turn",
       "", "2 whose members are not kept roads"},
      {"car",
       "r1 from:w10 via:n2 to:w12 restriction=no_left_turn|"
       "r2 from:w10 via:n2 to:w12 restriction=no_left_turn",
       left, "1 duplicated"},
      {"car",
       "r1 from:w10 via:n2 to:w11 restriction=only_straight_on|"
       "r2 from:w10 via:n2 to:w12 restriction=only_left_turn",
       "", "2 conflicting only_*"},
      {"car", "r1 from:w10 via:n2 to:w12 restriction:bicycle=no_left_turn", "", ""},
      {"bike", "r1 from:w10 via:n2 to:w12 restriction:bicycle=no_left_turn", left, ""},
      {"bike", "r1 from:w10 via:n2 to:w12 restriction=no_left_turn", "", ""},
      {"foot", "r1 from:w10 via:n2 to:w12 restriction=no_left_turn", "", ""},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.profile) + " " + c.relations);
    const ImportReport report = ImportBoth(dir, Cross() + c.relations, c.profile);
    std::string rows = c.rows.empty() ? "" : c.rows + "\n";
    std::replace(rows.begin(), rows.end(), ';', '\n');
    EXPECT_EQ(ReadWhole(dir / "Txml.mid"), rows);
    EXPECT_EQ(report.restrictionsSkipped, c.skipped);
    EXPECT_EQ(report.restrictionsWritten, static_cast<int64_t>(Split(rows, '\n').size()));
  }
}

// A PBF file cut anywhere fails to import, naming the file, and leaves the
// earlier map as it was; compressed XML refuses what only GDAL serves.
TEST(OsmImport, TruncatedPbfKeepsTheEarlierMap) {
  TempDir dir;
  WriteFile(dir / "roads.osm", OsmXml(Cross()));
  WriteOsmPbf(dir / "roads.osm", dir / "roads.osm.pbf");
  WriteFile(dir / "in.osm", OsmXml(Cross() + "r1 from:w10 via:n2 to:w12 restriction=no_exit"));
  WriteOsmPbf(dir / "in.osm", dir / "in.osm.pbf");
  QuietRequest whole(dir / "in.osm.pbf", dir / "Mmap.mif");
  ImportRoads(whole.request);
  const std::string files[] = {"Mmap.mif", "Mmap.mid", "Smap.mif", "Smap.mid", "Tmap.mif", "Tmap.mid"};
  std::vector<std::string> before;
  for (const std::string& file : files) before.push_back(ReadWhole(dir / file));
  // The file is the roads' file, then a block of the relation. A PBF file
  // has no end mark: cut just before that block, it is a whole file of the
  // roads alone; cut anywhere else, it is corrupt or lacks ways.
  const std::string pbf = ReadWhole(dir / "in.osm.pbf"), roads = ReadWhole(dir / "roads.osm.pbf");
  ASSERT_EQ(pbf.substr(0, roads.size()), roads);
  std::vector<size_t> cuts{roads.size() + 1, roads.size() + 2, roads.size() + 3};  // in the block's size
  for (size_t size = 1; size < pbf.size(); size += 1 + size / 8)
    if (size != roads.size()) cuts.push_back(size);
  for (const size_t size : cuts) {
    SCOPED_TRACE(size);
    WriteFile(dir / "cut.osm.pbf", pbf.substr(0, size));
    QuietRequest cut(dir / "cut.osm.pbf", dir / "Mmap.mif");
    try {
      ImportRoads(cut.request);
      ADD_FAILURE() << "imported";
    } catch (const ImportError& e) {
      EXPECT_NE(std::string(e.what()).find(dir / "cut.osm.pbf"), std::string::npos) << e.what();
    }
    for (size_t k = 0; k < std::size(files); ++k) EXPECT_EQ(ReadWhole(dir / files[k]), before[k]);
  }
  const std::string import = "'" + kRuvelRoute + "' import --quiet ";
  const CommandResult cut =
      RunCommand(import + "'" + (dir / "cut.osm.pbf") + "' '" + (dir / "Mmap.mif") + "'");
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_NE(cut.err.find(dir / "cut.osm.pbf"), std::string::npos) << cut.err;
  for (const char* options : {"--where 1=1 in.osm.gz", "--layer lines in.osm.bz2", "--profile all in.osm.gz"})
    EXPECT_EQ(RunCommand(import + options + " '" + (dir / "Mmap.mif") + "'").exitCode, 2) << options;
}

// Importing again without restrictions removes the earlier T layer, with
// the rest of the map replaced.
TEST(OsmImport, ReimportRemovesTheRestrictionLayer) {
  TempDir dir;
  const std::string restriction = "r1 from:w10 via:n2 to:w12 restriction=no_left_turn";
  EXPECT_FALSE(ImportBoth(dir, Cross() + restriction).restrictionLayerRemoved);
  EXPECT_NE(ReadWhole(dir / "Txml.mif")
                .find("Columns 6\n  Rule Char(32)\n  Kind Char(4)\n  From Integer\n  "
                      "To Integer\n  Via Integer\n  Ways Char(254)\nData\n"),
            std::string::npos);
  EXPECT_TRUE(ImportBoth(dir, Cross()).restrictionLayerRemoved);
  for (const char* file : {"Txml.mif", "Txml.mid"}) EXPECT_FALSE(std::ifstream(dir / file).good()) << file;
  EXPECT_FALSE(ImportBoth(dir, Cross()).restrictionLayerRemoved);
}

// The T row's From and To are the segments `ruvel-route route` names for
// the turn it restricts: the route takes the turn an only_* row leaves it,
// and goes round the one a no_* row forbids.
TEST(OsmImport, RestrictionSegmentsAreTheRoutesOwn) {
  for (const bool only : {true, false}) {
    SCOPED_TRACE(only ? "only_left_turn" : "no_left_turn");
    TempDir dir;
    WriteFile(dir / "in.osm", OsmXml(Cross() + "r1 from:w10 via:n2 to:w12 restriction=" +
                                     (only ? "only_left_turn" : "no_left_turn")));
    const std::string run = "'" + kRuvelRoute + "' ", map = " '" + (dir / "Mmap.mif") + "'";
    ASSERT_EQ(RunCommand(run + "import --quiet '" + (dir / "in.osm") + "'" + map).exitCode, 0);
    const std::vector<std::string> row = Split(ReadWhole(dir / "Tmap.mid"), ',');
    ASSERT_EQ(row.size(), 6u);
    const std::vector<std::string> segments = Split(ReadWhole(dir / "Smap.mid"), '\n');
    // From the far end of From to the far end of To.
    const auto farEnd = [&](const std::string& segment) {
      const std::vector<std::string> ends = Split(segments.at(std::stoul(segment)), ',');
      return ends[0] == row[4] ? ends[1] : ends[0];
    };
    const CommandResult route = RunCommand(run + "route" + map + " " + farEnd(row[2]) + " " + farEnd(row[3]));
    const bool turns = route.out.find("\nsegments: " + row[2] + " " + row[3] + "\n") != std::string::npos;
    EXPECT_EQ(turns, only) << route.out;
  }
}

// A blocking barrier's copies: each is reached from its own road and none
// from the other side, so that no route passes the wall between ways 19
// and 20 (segments 10 and 11).
TEST(OsmImport, RoutesReachABarrierFromTheirOwnSideOnly) {
  TempDir dir;
  ImportBoth(dir, Cross());
  ClearMapAndRoute();
  LoadMapLayers(dir / "Mxml.mif");
  const std::vector<std::string> segments = Split(ReadWhole(dir / "Sxml.mid"), '\n');
  const auto end = [&](int segment, int which) { return std::stoi(Split(segments.at(segment), ',')[which]); };
  const int32_t west = end(10, 0), westCopy = end(10, 1), eastCopy = end(11, 0), east = end(11, 1);
  ASSERT_NE(westCopy, eastCopy);
  const struct {
    int32_t start, target;
    bool reached;
  } cases[] = {{west, westCopy, true}, {east, eastCopy, true},  {west, eastCopy, false},
               {west, east, false},    {east, westCopy, false}, {westCopy, eastCopy, false}};
  for (const auto& c : cases)
    EXPECT_EQ(FindRoute(c.start, c.target) != RouteNotFound(), c.reached) << c.start << " to " << c.target;
}
