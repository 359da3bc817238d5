// Maps load, and graphs are weighed anew, on a worker while the window goes
// on: cancelled at any moment the window is left as File, Close leaves it,
// and meanwhile the map image's handlers leave the store alone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/background_task.h"
#include "app/main_form.h"
#include "app/map_handlers.h"
#include "map/map_lock.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/fast_route_search.h"
#include "route/route_search.h"
#include "tests/fast_routes_fixture.h"
#include "tests/main_form_fixture.h"
#include "tests/test_files.h"
#include "toolkit/controls.h"
#include "toolkit/forms.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"

namespace {

// A grid of side x side junctions joined along rows and columns, large
// enough that its load takes a while.
LayerTexts Grid(int side) {
  LayerTexts map;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const int code = y * side + x + 1;
      map.mMif += "Point " + std::to_string(x * 10) + " " + std::to_string(y * 10) + "\n";
      map.mMid += std::to_string(code) + ",J" + std::to_string(code) + "\n";
      if (x + 1 < side) {
        map.sMif += "Pline 2\n" + std::to_string(x * 10) + " " + std::to_string(y * 10) + "\n" +
                    std::to_string(x * 10 + 10) + " " + std::to_string(y * 10) + "\n";
        map.sMid += std::to_string(code) + "," + std::to_string(code + 1) + ",10\n";
      }
      if (y + 1 < side) {
        map.sMif += "Pline 2\n" + std::to_string(x * 10) + " " + std::to_string(y * 10) + "\n" +
                    std::to_string(x * 10) + " " + std::to_string(y * 10 + 10) + "\n";
        map.sMid += std::to_string(code) + "," + std::to_string(code + side) + ",10\n";
      }
    }
  return map;
}

// What tells a closed window from an open map: PanelM and ImageM visible,
// Close, Fastest and Find enabled, the status line, the store's counts.
using WindowState = std::tuple<bool, bool, bool, bool, bool, std::string, int32_t, int32_t>;
WindowState CurrentState() {
  return {fMain->PanelM->Visible(),
          fMain->ImageM->Visible(),
          fMain->Close1->Enabled(),
          fMain->Fastest1->Enabled(),
          fMain->Find1->Enabled(),
          fMain->StatusBar1->SimpleText(),
          pointCount,
          segmentCount};
}
const WindowState kClosed{false, false, false, false, false, "", 0, 0};

using MapWork = MainFormTest;

// Grid with durations, 17 tenths of a second a road, and a class, so that
// Fastest and Road map apply to it.
LayerTexts TimedGrid(int side) {
  LayerTexts map = Grid(side);
  map.sMif =
      "Version 300\nColumns 5\n  From Integer\n  To Integer\n  Length Integer\n  Duration Integer\n"
      "  Class Char(10)\nData\n" +
      map.sMif;
  for (size_t at = map.sMid.find('\n'); at != std::string::npos; at = map.sMid.find('\n', at + 12))
    map.sMid.insert(at, ",17,minor");
  return map;
}

// The road graph and its bounds as the searches and the drawing read them.
using GraphState = std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t,
                              std::vector<int32_t>, std::vector<int32_t>, std::vector<int32_t>>;
GraphState CurrentGraph() {
  return {minX,
          minNegY,
          maxX,
          maxNegY,
          nodeCount,
          adjCount,
          graphGeneration,
          std::vector<int32_t>(nodeStart.begin(), nodeStart.begin() + nodeCount + 1),
          std::vector<int32_t>(adjNode.begin(), adjNode.begin() + adjCount),
          std::vector<int32_t>(adjLength.begin(), adjLength.begin() + adjCount)};
}

}  // namespace

// A load and a rebuild for View, Fastest are each held on the worker at the
// end of their work: meanwhile every View item and a new size leave the
// graph and its bounds untouched (the toggles waiting for the end), and
// only the work's finish, on the window's thread, puts the new graph in
// place and draws the picture with the options as they are then.
TEST_F(MapWork, TheGraphIsPutInPlaceOnlyWhenTheWorkEnds) {
  TempDir dir;
  const std::string town = WriteLayers(dir, ExampleTown()), grid = WriteLayers(dir, TimedGrid(40), "grid");
  fMain->OpenGivenMap(town);
  WaitForMapWork();
  std::atomic<bool> held{false}, release{false};
  fMain->mapWork->AfterWork = [&] {
    held = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  for (const bool rebuild : {false, true}) {
    SCOPED_TRACE(rebuild ? "rebuild" : "load");
    held = release = false;
    if (rebuild)
      fMain->Fastest1Click(fMain->Fastest1);
    else
      fMain->OpenGivenMap(grid);
    const GraphState before = CurrentGraph();
    while (!held) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (TMenuItem* item : {fMain->Points1, fMain->Lines1, fMain->RoadMap1, fMain->TrueProportions1,
                            fMain->Fastest1, fMain->Directions1})
      item->OnClick(item);
    fMain->FormResize(fMain);
    EXPECT_EQ(CurrentGraph(), before);
    EXPECT_TRUE(fMain->MapBusy());
    release = true;
    WaitForMapWork();
    EXPECT_NE(CurrentGraph(), before);
    EXPECT_EQ(std::get<4>(CurrentGraph()), 1600);
    if (rebuild) {
      EXPECT_EQ(adjLength[0], 17);  // weighed by durations
      // The picture is the one the options now ask for.
      const QImage shown = fMain->ImageM->Picture()->GetBitmap()->Image().copy();
      fMain->DrawMap();
      EXPECT_EQ(shown, fMain->ImageM->Picture()->GetBitmap()->Image());
    }
  }
  fMain->mapWork->AfterWork = nullptr;
}

// Close, Esc and a new Open, each at a random moment of a load: the first
// two leave the window as Close does, the third shows the new map.
TEST_F(MapWork, CancelledLoadsLeaveTheWindowAsCloseDoes) {
  TempDir dir;
  const std::string grid = WriteLayers(dir, Grid(200), "grid"), town = WriteLayers(dir, ExampleTown());
  std::mt19937 random(24);
  for (int round = 0; round < 12; ++round) {
    fMain->OpenGivenMap(grid);
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 60));
    switch (round % 3) {
      case 0:
        fMain->Close1Click(fMain->Close1);
        break;
      case 1: {
        TKey escape = VK_ESCAPE;
        fMain->FormKeyDown(fMain, escape, 0);
        break;
      }
      default:
        fMain->OpenGivenMap(town);
        WaitForMapWork();
        EXPECT_EQ(CurrentState(), WindowState(true, true, true, false, true, "", 3, 2)) << round;
        fMain->Close1Click(fMain->Close1);
        continue;
    }
    EXPECT_FALSE(fMain->MapBusy()) << round;
    EXPECT_EQ(CurrentState(), kClosed) << round;
  }
}

// While work runs the pointer and the wheel change nothing, a View option
// waits for the end to be drawn, and Esc ends only a load.
TEST_F(MapWork, HandlersLeaveTheMapAloneWhileWorkRuns) {
  TempDir dir;
  fMain->OpenGivenMap(WriteLayers(dir, ExampleTown()));
  WaitForMapWork();
  fMain->ImageMMouseMove(fMain->ImageM, 0, 10, 10);
  const std::string x = fMain->EditX->Text();
  const int32_t current = currentPoint;

  std::atomic<bool> release{false};
  bool finished = false;
  fMain->mapWork->Start(
      [&](LoadProgress&) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      },
      [&](std::exception_ptr) { finished = true; });
  fMain->ImageMMouseMove(fMain->ImageM, 0, 600, 300);
  fMain->ImageMMouseDown(fMain->ImageM, mbLeft, 0, 600, 300);
  fMain->ImageMMouseWheel(fMain->ImageM, 0, 120, 600, 300);
  TKey escape = VK_ESCAPE;
  fMain->FormKeyDown(fMain, escape, 0);
  EXPECT_EQ(escape, VK_ESCAPE);  // not the map's key: no load runs
  EXPECT_EQ(std::make_tuple(fMain->EditX->Text(), currentPoint, startPoint, fMain->mapView.zoomLevel),
            std::make_tuple(x, current, -1, 0));
  EXPECT_TRUE(fMain->MapBusy());
  release = true;
  WaitForMapWork();
  EXPECT_TRUE(finished);
}

// View, Fastest's rebuild ended by Close at a random moment, or left to
// finish: ended, the window is closed and the graph is the one it was
// weighed from, whether or not the worker had built the new one; finished,
// the graph is weighed by durations.
TEST_F(MapWork, ARebuildEndedAtAnyMomentLeavesTheEarlierGraph) {
  TempDir dir;
  const std::string grid = WriteLayers(dir, TimedGrid(150), "grid");
  std::mt19937 random(26);
  for (int round = 0; round < 12; ++round) {
    fMain->OpenGivenMap(grid);
    WaitForMapWork();
    const GraphState before = CurrentGraph();
    fMain->Fastest1Click(fMain->Fastest1);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    if (round % 4 == 3) {
      WaitForMapWork();
      EXPECT_EQ(adjLength[0], 17) << round;
      continue;
    }
    fMain->Close1Click(fMain->Close1);
    EXPECT_FALSE(fMain->MapBusy()) << round;
    EXPECT_EQ(CurrentState(), kClosed) << round;
    GraphState expected = before;
    std::get<6>(expected) = graphGeneration;  // Close's own change: kept searches end
    EXPECT_EQ(CurrentGraph(), expected) << round;
  }
}

// A graph beyond the direct search's capacity gets its fast routes prepared
// on a worker and written to the cache; once handed over they answer every
// pointer move as Dijkstra would, and Close drops them.
TEST_F(MapWork, FastRoutesAreHandedOverAndAnswerAsTheSearchFromScratch) {
  const LoweredPassCapacity lowered;
  TempDir cache;
  setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
  fMain->OpenGivenMap(std::string(RUVEL_SOURCE_DIR) + "/Maps/Mtown.mif");
  WaitForMapWork();
  while (fMain->routeWork->Running()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  unsetenv("XDG_CACHE_HOME");
  ASSERT_TRUE(fMain->fastRoutes->Ready());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cache / "ruvel"), {}), 1);

  std::mt19937 random(25);
  for (int move = 0; move < 200; ++move) {
    if (move % 50 == 0) startPoint = static_cast<int32_t>(random() % pointCount);
    const int32_t target = static_cast<int32_t>(random() % pointCount);
    if (target == currentPoint) continue;
    MakeCurrentPoint(fMain, target);
    const bool reached = fMain->EditL->Text() != std::to_string(RouteNotFound());
    const int64_t length = RouteLength();
    EXPECT_EQ(FindRouteDirect(points[startPoint].Code, points[target].Code) != RouteNotFound(), reached);
    EXPECT_EQ(RouteLength(), length);
  }
  fMain->Close1Click(fMain->Close1);
  EXPECT_FALSE(fMain->fastRoutes->Ready());
}

// A map an import is writing is read only once the import is done; the
// status line says what the window waits for, and Esc ends the wait.
TEST_F(MapWork, OpeningWaitsForAnImportOfTheMap) {
  TempDir dir;
  const std::string town = WriteLayers(dir, ExampleTown());
  for (const bool cancelled : {false, true}) {
    auto import = std::make_unique<MapLock>(town);
    ASSERT_TRUE(import->Held());
    fMain->OpenGivenMap(town);
    while (fMain->StatusBar1->SimpleText().empty()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(fMain->StatusBar1->SimpleText(), "Waiting for an import of Mtown.mif");
    // Still waiting, nothing read: the store is the worker's until it ends.
    EXPECT_EQ(fMain->mapWork->Progress().phase, LoadProgress::kWaitingForImport);
    if (cancelled) {
      TKey escape = VK_ESCAPE;
      fMain->FormKeyDown(fMain, escape, 0);
      EXPECT_EQ(CurrentState(), kClosed);
      continue;
    }
    import.reset();
    WaitForMapWork();
    EXPECT_EQ(CurrentState(), WindowState(true, true, true, false, true, "", 3, 2));
  }
}
