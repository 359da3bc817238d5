// The command-line companion draws with no window and no application, yet
// gives the window's picture pixel for pixel; and it starts without Qt Gui,
// the widget library and GDAL.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <string>
#include <tuple>

#include "app/main_form.h"
#include "app/offscreen_window.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "tests/test_files.h"
#include "tests/view_fixture.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "view/map_transform.h"
#include "view/map_zoom.h"

namespace {

const std::string kSampleMap = std::string(RUVEL_SOURCE_DIR) + "/Maps/Mtown.mif";

// What the dynamic loader lists for a program or module: every shared
// library it loads at start, directly or through another.
std::string LoadedLibraries(const std::string& file) {
  const CommandResult r = RunCommand("ldd '" + file + "'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return r.out;
}

bool Loads(const std::string& libraries, const std::string& name) {
  return libraries.find("/" + name + ".so") != std::string::npos;
}

int32_t IndexOfCode(int32_t code) {
  for (int32_t i = 0; i < pointCount; ++i)
    if (points[i].Code == code) return i;
  ADD_FAILURE() << "no point has code " << code;
  return 0;
}

}  // namespace

TEST(LeanCompanion, LoadsNeitherGuiNorGdal) {
  const std::string route = LoadedLibraries(RUVEL_ROUTE_EXE), window = LoadedLibraries(RUVEL_EXE);
  for (const char* library : {"libQt6Gui", "libQt6Widgets", "libgdal"})
    EXPECT_FALSE(Loads(route, library)) << route;
  EXPECT_TRUE(Loads(window, "libQt6Widgets")) << window;
  EXPECT_FALSE(Loads(window, "libgdal")) << window;
  // Qt Gui and GDAL stay in the modules the companion opens for drawing and
  // importing alone.
  const std::string render = LoadedLibraries(std::string(RUVEL_BINARY_DIR) + "/ruvel_render.so");
  EXPECT_TRUE(Loads(render, "libQt6Gui")) << render;
  EXPECT_FALSE(Loads(render, "libQt6Widgets")) << render;
  EXPECT_TRUE(Loads(LoadedLibraries(std::string(RUVEL_BINARY_DIR) + "/ruvel_import.so"), "libgdal"));
}

// The modules lie beside the program in the build folder and in
// ../lib/ruvel/ from it once installed. A program with neither still reads
// maps, and import and render say where they looked last.
TEST(LeanCompanion, FindsItsModulesOrSaysWhere) {
  TempDir dir;
  const std::string alone = CompanionAlone(dir);
  EXPECT_EQ(RunCommand(alone + "info '" + kSampleMap + "'").exitCode, 0);
  const std::string png = " '" + kSampleMap + "' '" + (dir / "town.png") + "'";
  const std::string mif = " '" + kSampleMap + "' '" + (dir / "Mnew.mif") + "'";
  const std::string build = std::filesystem::path(kRuvelRoute).parent_path();
  for (const auto& [words, module, file] :
       {std::tuple<std::string, std::string, std::string>{"render" + png, "render module", "ruvel_render.so"},
        {"import" + mif, "import module", "ruvel_import.so"}}) {
    const CommandResult r = RunCommand(alone + words);
    EXPECT_EQ(r.exitCode, 1);
    const std::string expected =
        "ruvel-route: cannot load the " + module + " " + (dir / "lib/ruvel/") + file + ": ";
    EXPECT_EQ(r.err.substr(0, expected.size()), expected);
    ASSERT_EQ(RunCommand("mkdir -p '" + (dir / "lib/ruvel") + "' && cp '" + build + "/" + file + "' '" +
                         (dir / "lib/ruvel") + "'")
                  .exitCode,
              0);
  }
  EXPECT_EQ(RunCommand(alone + "render" + png).exitCode, 0);
  EXPECT_EQ(RunCommand(alone + "route '" + kSampleMap + "' 1 3 --geojson").exitCode, 0);
}

class LeanCompanionRender : public ViewTest {};

// Each picture as the window paints it for the same map, options and view:
// the route found between the two codes (0: none), the View options (Road
// map and True proportions too), the zoom level and centre.
TEST_F(LeanCompanionRender, DrawsTheWindowsPicture) {
  const struct {
    std::string options;
    int32_t start, target;
    bool points, lines, roadMap, proportional;
    int32_t zoom, centerX, centerY;
  } cases[] = {
      {"", 0, 0, true, true, false, false, 0, 0, 0},
      {"--route 3 40", 3, 40, true, true, false, false, 0, 0, 0},
      {"--route 3 40 --no-lines --zoom 2 --center 22470 258540", 3, 40, true, false, false, false, 2, 22470,
       258540},
      {"--route 40 3 --no-points --zoom 4 --center 22500 258560", 40, 3, false, true, false, false, 4, 22500,
       258560},
      {"--style plain --proportional --route 3 40", 3, 40, true, true, false, true, 0, 0, 0},
      {"--style road --route 3 40", 3, 40, true, true, true, false, 0, 0, 0},
      {"--route 40 3 --zoom 3 --center 22400 258550 --style road --proportional", 40, 3, true, true, true,
       true, 3, 22400, 258550},
  };
  TempDir dir;
  SizeMapImage(683, 397);  // the companion's size by default
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const CommandResult r = RunCommand("'" + kRuvelRoute + "' render '" + kSampleMap + "' '" +
                                       (dir / "out.png") + "' " + c.options);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage rendered(QString::fromStdString(dir / "out.png"));
    EXPECT_EQ(rendered.dotsPerMeterX(), 3780);  // 96 an inch, with no screen

    fMain->Points1->SetChecked(c.points);
    fMain->Lines1->SetChecked(c.lines);
    fMain->OpenGivenMap(kSampleMap);
    WaitForMapWork();
    fMain->RoadMap1->SetChecked(c.roadMap);
    View().proportional = c.proportional;
    if (c.start != 0) {
      startPoint = IndexOfCode(c.start);
      currentPoint = IndexOfCode(c.target);
      FindRoute(c.start, c.target);
    }
    fMain->DrawMap();
    if (c.zoom > 0) {
      SetZoom(View(), c.zoom, c.centerX, NegateY(c.centerY));
      fMain->DrawMap();
    }
    EXPECT_EQ(rendered.convertToFormat(QImage::Format_RGB32), fMain->ImageM->Picture()->GetBitmap()->Image());
  }
}

// Road names need fonts, which a program without a window starts for
// itself: a named street drawn as a road map shows dark letters on it, and
// an unknown style is wrong usage.
TEST(LeanCompanion, WritesRoadNamesWithoutAWindow) {
  TempDir dir;
  const std::string map = WriteLayers(
      dir, {"Version 300\nData\nPoint 0 0\nPoint 1000 0\nPoint 0 100\n", "1,West\n2,East\n3,North\n",
            "Version 300\nColumns 4\n  From Integer\n  To Integer\n  Length Integer\n  Name Char(20)\n"
            "Data\nPline 2\n0 0\n1000 0\nPline 2\n0 0\n0 100\n",
            "1,2,1000,\"Long Street\"\n1,3,100,\n"});
  const std::string png = dir / "named.png";
  const CommandResult r = RunCommand("'" + kRuvelRoute + "' render '" + map + "' '" + png +
                                     "' --size 400x120 --style road --proportional");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const QImage picture(QString::fromStdString(png));
  int dark = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) dark += qGray(picture.pixel(x, y)) < 90 ? 1 : 0;
  EXPECT_GT(dark, 20);
  EXPECT_EQ(RunCommand("'" + kRuvelRoute + "' render '" + map + "' '" + png + "' --style fancy").exitCode, 2);
}
