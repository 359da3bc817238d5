#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImage>
#include <fstream>
#include <regex>
#include <string>

#include "tests/test_files.h"

namespace {

const std::string kSampleMap = std::string(RUVEL_SOURCE_DIR) + "/Maps/Mtown.mif";

// Lines of a file that begin with word and a blank.
int CountLinesStartingWith(const std::string& path, const std::string& word) {
  std::ifstream in(path);
  int count = 0;
  for (std::string line; std::getline(in, line);) count += line.rfind(word + " ", 0) == 0;
  return count;
}

}  // namespace

TEST(RuvelRouteInfo, DescribesTheSampleMap) {
  const CommandResult r = RunCommand("'" + kRuvelRoute + "' info '" + kSampleMap + "'");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_match(r.out, m,
                               std::regex("points: (\\d+)\nsegments: (\\d+)\nbounds: (-?\\d+) (-?\\d+) "
                                          "(-?\\d+) (-?\\d+)\ngraph: (\\d+) nodes, (\\d+) entries\n")))
      << r.out;
  const int points = std::stoi(m[1]), segments = std::stoi(m[2]);
  EXPECT_EQ(points, CountLinesStartingWith(kSampleMap, "Point"));
  EXPECT_EQ(segments, CountLinesStartingWith(std::string(RUVEL_SOURCE_DIR) + "/Maps/Stown.mif", "Pline"));
  EXPECT_LT(std::stoi(m[3]), std::stoi(m[5]));  // a map with an extent in both directions
  EXPECT_LT(std::stoi(m[4]), std::stoi(m[6]));
  EXPECT_EQ(std::stoi(m[7]), points);
  EXPECT_EQ(std::stoi(m[8]), 2 * segments);  // the sample has no loops and no loose ends
}

TEST(RuvelRouteInfo, PrintsTheWorkedExample) {
  TempDir dir;
  const CommandResult r = RunCommand("'" + kRuvelRoute + "' info '" + WriteLayers(dir, ExampleTown()) + "'");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "points: 3\nsegments: 2\nbounds: 100 200 320 400\ngraph: 3 nodes, 4 entries\n");
}

TEST(RuvelRouteInfo, ReportsFailuresAndUsage) {
  TempDir dir;
  const std::string bad = WriteLayers(dir, {"Point 1.5 2\n", "", "", ""});
  const struct {
    std::string args;
    int exitCode;
    std::string out, err;
  } cases[] = {
      {"info '" + bad + "'", 1, "", "ruvel-route: Mtown.mif, line 1: '1.5' is not a valid integer value\n"},
      {"info", 2, "", "usage: "},
      {"info a b", 2, "", "usage: "},
      {"frobnicate x", 2, "", "usage: "},
      {"", 2, "", "usage: "},
      {"--help", 0, "usage: ", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CommandResult r = RunCommand("'" + kRuvelRoute + "' " + c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
  }
}

// Every match as "code: name", its quotes removed, in table order; exit
// code 1 without one.
TEST(RuvelRouteFind, PrintsEveryMatchingJunction) {
  TempDir dir;
  LayerTexts town = ExampleTown();
  town.mMid = "1,\"The \"\"Mill\"\" Gate\"\n2,Ford\n3,\"M\u00dcHLWEG & Mill Lane\"\n";
  const std::string find = "'" + kRuvelRoute + "' find '" + WriteLayers(dir, town) + "' ";
  const CommandResult found = RunCommand(find + "mill");
  EXPECT_EQ(found.exitCode, 0);
  EXPECT_EQ(found.out, "1: The \"Mill\" Gate\n3: M\u00dcHLWEG & Mill Lane\n");
  EXPECT_EQ(RunCommand(find + "weir").exitCode, 1);
}

TEST(RuvelRouteRoute, PrintsEachRouteAsTheWindowFindsIt) {
  TempDir dir;
  LayerTexts town = ExampleTown();
  town.mMif += "Point 900 900\n";  // a fourth point, off the roads
  const std::string map = WriteLayers(dir, town);
  const CommandResult r = RunCommand("'" + kRuvelRoute + "' route '" + map + "' 1 3 2 2 3 4");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::regex_match(r.out, std::regex("route 1 3: 3 points, length 410\n"
                                                 "codes: 1 2 3\n"
                                                 "segments: 0 1\n"
                                                 "ticks: -?\\d+\n"
                                                 "route 2 2: 1 points, length 0\n"
                                                 "codes: 2\n"
                                                 "segments:\n"
                                                 "ticks: -?\\d+\n"
                                                 "route 3 4: unreachable\n")))
      << r.out;
  EXPECT_EQ(r.err, "");
}

TEST(RuvelRouteRoute, RefusesWhatItCannotUse) {
  TempDir dir;
  const std::string map = WriteLayers(dir, ExampleTown());
  const struct {
    std::string args;
    int exitCode;
    std::string err;
  } cases[] = {
      {"route '" + map + "'", 2, "usage: "},
      {"route '" + map + "' 1", 2, "usage: "},
      {"route '" + map + "' 1 2 3", 2, "usage: "},
      {"route '" + map + "' 1 x", 2, "usage: "},
      {"route '" + map + "' 1 2.5", 2, "usage: "},
      {"route '" + map + "' 1 2 3 4", 1, "ruvel-route: no point has code 4\n"},
      {"route '" + map + "' 1 2 0 1 --geojson", 1, "ruvel-route: no point has code 0\n"},
      {"route '" + (dir / "Mbad.mif") + "' 1 2", 1, "ruvel-route: cannot open " + (dir / "Mbad.mif")},
  };
  WriteLayers(dir, {"Point 1 2\nPoint 3\n", "", "", ""}, "broken");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CommandResult r = RunCommand("'" + kRuvelRoute + "' " + c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
    EXPECT_EQ(r.out, "");  // no route printed before a refusal
  }
  const CommandResult broken = RunCommand("'" + kRuvelRoute + "' route '" + (dir / "Mbroken.mif") + "' 1 2");
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_EQ(broken.err, "ruvel-route: Mbroken.mif, line 2: '' is not a valid integer value\n");
}

// The example map at the design size (scales 3 and 1): points at pixels
// (0, 200), (600, 200) and (600, 0); segment 0 runs along row 200.
TEST(RuvelRouteRender, DrawsTheWindowsPictureIntoAPng) {
  TempDir dir;
  const std::string map = WriteLayers(dir, ExampleTown());
  const QColor red(255, 0, 0), blue(0, 0, 255), black(0, 0, 0);
  const struct {
    std::string options;
    int x, y;
    QColor color;  // an invalid colour: the background
  } cases[] = {
      {"", 300, 200, black},
      {"--route 1 3", 300, 200, red},
      {"--route 1 3", 601, 201, red},
      {"--route 1 3", 0, 200, blue},
      {"--route 1 3", 600, 0, blue},
      {"--route 1 3 --no-points", 601, 201, QColor()},
      {"--route 1 3 --no-lines", 300, 200, QColor()},
      {"--route 1 2 --via 3", 300, 200, red},  // the first leg, 1-2-3, and back to 2
      {"--route 1 2 --via 3", 600, 0, red},    // the via, a point of the route
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const std::string png = dir / "out.png";
    const CommandResult r =
        RunCommand("'" + kRuvelRoute + "' render '" + map + "' '" + png + "' " + c.options);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(683, 397));
    const QColor background = image.pixelColor(682, 396);
    EXPECT_EQ(image.pixelColor(c.x, c.y), c.color.isValid() ? c.color : background);
  }
}

TEST(RuvelRouteRender, SizesAndRefusals) {
  TempDir dir;
  const std::string map = WriteLayers(dir, ExampleTown()), png = dir / "out.png";
  const CommandResult sized =
      RunCommand("'" + kRuvelRoute + "' render '" + map + "' '" + png + "' --size 300x120");
  ASSERT_EQ(sized.exitCode, 0) << sized.err;
  EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(300, 120));

  const struct {
    std::string args;
    int exitCode;
    std::string err;
  } cases[] = {
      {"'" + map + "' '" + png + "' --route 1 9", 1, "ruvel-route: no point has code 9\n"},
      {"'" + map + "' '" + (dir / "no/such/dir.png") + "'", 1, "ruvel-route: cannot write "},
      {"'" + map + "'", 2, "usage: "},
      {"'" + map + "' '" + png + "' --size 0x10", 2, "usage: "},
      {"'" + map + "' '" + png + "' --size 20000x10", 2, "usage: "},
      {"'" + map + "' '" + png + "' --size 10", 2, "usage: "},
      {"'" + map + "' '" + png + "' --route 1", 2, "usage: "},
      {"'" + map + "' '" + png + "' --via 2", 2, "usage: "},
      {"'" + map + "' '" + png + "' --route 1 3 --via", 2, "usage: "},
      {"'" + map + "' '" + png + "' --route 1 3 --via 9", 1, "ruvel-route: no point has code 9\n"},
      {"'" + map + "' '" + png + "' --colour", 2, "usage: "},
      {"'" + map + "' '" + png + "' --zoom 17", 2, "usage: "},
      {"'" + map + "' '" + png + "' --zoom -1", 2, "usage: "},
      {"'" + map + "' '" + png + "' --zoom 2 --center 300", 2, "usage: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CommandResult r = RunCommand("'" + kRuvelRoute + "' render " + c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
  }
}

// Hostile or mistaken inputs end at once with a message naming the file:
// exit 1, or exit 0 for a layer file that is skipped.
TEST(RuvelRouteInfo, RefusesHostileAndMistakenFilesAtOnce) {
  TempDir dir;
  const LayerTexts town = ExampleTown();
  const std::string hugePline = WriteLayers(dir, {town.mMif, "", "Pline 2000000000\n", ""}, "huge");
  const std::string negative = WriteLayers(dir, {town.mMif, town.mMid, town.sMif, "1,2,-1\n"}, "neg");
  const std::string fifo = WriteLayers(dir, {town.mMif, town.mMid, "", ""}, "fifo");
  ASSERT_EQ(::mkfifo((dir / "Sfifo.mif").c_str(), 0600), 0);
  const std::string wrongName = dir / "Stown.mif";
  WriteFile(wrongName, town.mMif);
  const struct {
    std::string path;
    int exitCode;
    std::string err;
  } cases[] = {
      {hugePline, 1,
       "ruvel-route: Shuge.mif, line 1: Map too large: Pline 2000000000 would make 2000000000 vertices in "
       "all, at most 16777216\n"},
      {negative, 1, "ruvel-route: Sneg.mid, line 1: road length -1 is negative\n"},
      {fifo, 0, ""},
      {dir / "Mmissing.mif", 1,
       "ruvel-route: cannot open " + (dir / "Mmissing.mif") + ": No such file or directory\n"},
      {dir.Path(), 1, "ruvel-route: cannot open " + dir.Path() + ": Is a directory\n"},
      {"/dev/zero", 1, "ruvel-route: cannot open /dev/zero: not a regular file\n"},
      {wrongName, 1,
       "ruvel-route: " + wrongName +
           ": the name must begin with a capital M (the S layer's files are named by replacing it)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const CommandResult r = RunCommand("timeout 10 '" + kRuvelRoute + "' info '" + c.path + "'");
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.err, c.err);
  }
}

// --zoom 0 is the whole-map view exactly, whatever --center says; above it
// the view is centred on the map point given as the files write it.
TEST(RuvelRouteRender, ZoomAndCenter) {
  TempDir dir;
  const std::string map = WriteLayers(dir, ExampleTown());
  const auto render = [&](const std::string& name, const std::string& options) {
    const CommandResult r =
        RunCommand("'" + kRuvelRoute + "' render '" + map + "' '" + (dir / name) + "' " + options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return QImage(QString::fromStdString(dir / name));
  };
  const QImage whole = render("whole.png", "");
  EXPECT_EQ(render("zero.png", "--zoom 0 --center 1 1"), whole);
  const QImage zoomed = render("zoomed.png", "--zoom 3 --center 300 200");
  EXPECT_NE(zoomed, whole);
  // Point 2 at (300, 200) in the middle of the 683 x 397 image: a black dot
  // of 3 x 3 pixels at (341, 198). At 24 and 8 pixels a unit, the road to
  // (320, 300) leaves it 480 pixels right for 800 up: at row 100, column 400.
  EXPECT_EQ(zoomed.pixelColor(341, 198), QColor(0, 0, 0));
  EXPECT_EQ(zoomed.pixelColor(342, 199), QColor(0, 0, 0));
  EXPECT_EQ(zoomed.pixelColor(400, 100), QColor(0, 0, 0));
  EXPECT_EQ(render("centre.png", "--zoom 1"), render("centred.png", "--zoom 1 --center 210 300"));
}

// Memory running out while a map loads stops the load with a message that
// names the file and the line, as any refusal does (or, past the reading,
// the graph being built): no abort, and never a bare "std::bad_alloc", also
// when the last byte went to a point's text. The address space is limited
// to what starting the program takes and a little more, by steps (the
// sanitizers need far more address space than that).
TEST(RuvelRouteInfo, RunningOutOfMemoryIsARefusal) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
  TempDir dir;
  std::string mif, mid;
  for (int i = 0; i < 400000; ++i) {
    mif += "Point " + std::to_string(i % 1000) + " " + std::to_string(i / 1000) + "\n";
    mid += std::to_string(i + 1) + ",\"A rather long name of junction " + std::to_string(i + 1) + "\"\n";
  }
  const std::string map = WriteLayers(dir, {mif, mid, "", ""}, "big");
  const std::regex refusal("ruvel-route: (Mbig\\.mi[fd], line [0-9]+: )?Out of memory[^\n]*\n");
  for (const int kilobytes : {100000, 110000, 115000, 120000, 125000}) {
    const CommandResult r =
        RunCommand("ulimit -v " + std::to_string(kilobytes) + "; '" + kRuvelRoute + "' info '" + map + "'");
    if (kilobytes == 100000) {
      EXPECT_EQ(r.exitCode, 1);
    }
    if (r.exitCode != 0) {
      EXPECT_TRUE(std::regex_match(r.err, refusal)) << kilobytes << " KB: " << r.err;
    }
  }
}
