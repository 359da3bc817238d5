#include "app/main_form.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "app/background_task.h"
#include "app/main_form_resource.h"
#include "app/program_folder.h"
#include "app/work_status.h"
#include "map/area_index.h"
#include "map/layer_loader.h"
#include "map/load_cancelled.h"
#include "map/map_files.h"
#include "map/map_lock.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/contraction_hierarchy.h"
#include "route/directed_graph.h"
#include "route/fast_route_search.h"
#include "route/hierarchy_cache.h"
#include "route/route_search.h"
#include "route/turn_graph.h"
#include "toolkit/command_line.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "toolkit/paths.h"
#include "toolkit/program_files.h"

TfMain* fMain = nullptr;

namespace {

// Empties the status line, unchecks Fastest and enables the items that need
// a loaded map, or disables them: Fastest needs durations too, Road map
// road classes. A map with classes opens as a road map in true proportions.
void EnableMapItems(TfMain* form, bool loaded) {
  form->StatusBar1->SimpleText("");
  form->Fastest1->SetChecked(false);
  form->Fastest1->Enabled(loaded && !segmentDuration.empty());
  const bool classes = loaded && !segmentClass.empty();
  form->RoadMap1->SetChecked(classes);
  form->RoadMap1->Enabled(classes);
  form->TrueProportions1->SetChecked(classes);
  form->TrueProportions1->Enabled(loaded);
  form->mapView.proportional = classes;
  form->Find1->Enabled(loaded);
}

// What a load builds on the worker besides the store's tables: the road
// graph with its bounds and the turn restrictions, and the area index, which
// the window's thread puts in place when the load ends, so that no handler
// sees half of them.
struct MapBuiltAside {
  std::optional<LoadedMap> map;      // none when the load failed before building the graph
  std::shared_ptr<TurnGraph> turns;  // the graph routes then obey, for a map with turn restrictions
  MapAreaIndex areaIndex;            // unbuilt when the load failed before that
};

// Installs the graph and bounds when they were built, giving their turn
// restrictions to restrictions (none when they were not) and the turn graph
// to routes, and the area index as it is (an unbuilt one is built on its
// first use).
void Install(MapBuiltAside& built, TurnRestrictions& restrictions, FastRoutes& routes) {
  restrictions = built.map ? std::move(built.map->restrictions) : TurnRestrictions();
  if (built.map) InstallRoadGraph(built.map->graph);
  routes.SetTurns(built.map ? built.turns : nullptr);
  mapAreaIndex = std::move(built.areaIndex);
}

// While an import writes the map at path, waits for it to finish, checking
// for a cancel request, so that the load never reads files half replaced.
void WaitForImportOf(const std::string& path, LoadProgress& progress) {
  while (ImportIsWriting(path)) {
    progress.phase = LoadProgress::kWaitingForImport;
    CheckCancel(&progress);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  progress.phase = LoadProgress::kReading;
}

// Work shorter than about this leaves the status line as it is; longer
// work is told there by this time.
constexpr int64_t kQuietWorkMilliseconds = 250;

}  // namespace

TfMain::TfMain(TComponent* AOwner)
    : TForm(AOwner),
      mapWork(std::make_unique<BackgroundTask>(this)),
      routeWork(std::make_unique<BackgroundTask>(this)),
      hierarchyProgress(std::make_unique<HierarchyProgress>()),
      fastRoutes(std::make_unique<FastRoutes>()) {
  LoadMainFormResource(this);
  // By a quarter of a second into the work, the status line tells it.
  mapWork->OnProgress = [this] {
    if (mapWork->DueBy(kQuietWorkMilliseconds)) ShowWorkProgress(true);
  };
  routeWork->OnProgress = [this] {
    if (routeWork->DueBy(kQuietWorkMilliseconds))
      StatusBar1->SideText("Preparing fast routes: " + std::to_string(hierarchyProgress->percent) + "%");
  };
}

TfMain::~TfMain() {
  StopFastRoutes();
  mapWork->Cancel();
}

// On a graph beyond what the direct search holds, or on any map with turn
// restrictions (then of its turn graph), the hierarchy of fast routes is
// loaded from the cache or built, and written there, on a worker at low
// priority; the route search goes on with Dijkstra's algorithm until it is
// handed over. A hierarchy that cannot be had leaves it at that, saying
// nothing.
void TfMain::PrepareFastRoutes() {
  StopFastRoutes();
  const std::shared_ptr<const TurnGraph> turns = fastRoutes->Turns();
  if (GraphFitsPasses() && !turns) return;
  hierarchyProgress->percent = 0;
  hierarchyProgress->cancel = false;
  auto hierarchy = std::make_shared<std::unique_ptr<ContractionHierarchy>>();
  auto query = std::make_shared<HierarchyQuery>();
  routeWork->Start(
      [this, hierarchy, query, turns](LoadProgress&) {
        const DirectedGraph road = turns ? DirectedGraph() : SnapshotRoadGraph();
        const DirectedGraph& graph = turns ? turns->Graph() : road;
        if (CanContract(graph))
          *hierarchy = LoadOrBuildHierarchy(graph, HierarchyCache(), true, hierarchyProgress.get());
        if (*hierarchy) query->FitTo(**hierarchy);  // here, not on the first move
      },
      [this, hierarchy, query](std::exception_ptr) {
        StatusBar1->SideText("");
        fastRoutes->Adopt(std::move(*hierarchy), std::move(*query));
      },
      true);
}

// Ends any preparing of fast routes and drops the routes prepared.
void TfMain::StopFastRoutes() {
  hierarchyProgress->cancel = true;
  routeWork->Cancel();
  fastRoutes->Adopt(nullptr);
  StatusBar1->SideText("");
}

// Presets the open dialog to the map folder beside the program (else to the
// installed sample maps), fills Open Recent, then draws the (empty) view.
void TfMain::FormCreate(TObject*) {
  programFolder = ProgramFolder(GetCommandLineA());
  OpenDialog1->FileName(ProgramFilePath(programFolder, "Maps/", "../share/ruvel/Maps/") + "M*.mif");
  LoadRecentMaps();
  DrawMap();
}

// Opens the map whose M layer the user chooses. A cancelled dialog changes
// nothing.
void TfMain::Open1Click(TObject*) {
  if (OpenDialog1->Execute()) OpenDialogFile();
}

void TfMain::OpenGivenMap(const std::string& path) {
  CheckRegularFile(path);
  OpenDialog1->FileName(std::filesystem::absolute(path).lexically_normal().string());
  OpenDialogFile();
}

// A file name that does not begin with a capital M changes nothing. Another
// one ends any load or rebuild still running, empties the store and starts
// loading the map on a worker; MapLoaded takes it over when it ends.
void TfMain::OpenDialogFile() {
  const std::string path = OpenDialog1->FileName();
  if (!IsMapName(path)) return;
  StopFastRoutes();
  mapWork->Cancel();
  ForgetChoices(this);
  ClearMapAndRoute();
  restrictions_ = TurnRestrictions();
  fastRoutes->SetTurns(nullptr);
  ShowWholeMap();
  Close1->Enabled(true);
  EnableMapItems(this, false);
  loadingName = ExtractFileName(path);
  auto built = std::make_shared<MapBuiltAside>();
  mapWork->Start(
      [path, built](LoadProgress& progress) {
        WaitForImportOf(path, progress);
        built->map = LoadMapTables(path, &progress);
        progress.phase = LoadProgress::kBuildingGraph;
        built->turns = TurnsOf(built->map->graph, built->map->restrictions);
        progress.phase = LoadProgress::kIndexing;
        built->areaIndex = IndexMapArea(built->map->graph.bounds, &progress);
      },
      [this, path, built](std::exception_ptr error) {
        Install(*built, restrictions_, *fastRoutes);
        MapLoaded(path, error);
      });
}

// A load that raised leaves with Close enabled, Fastest and Find disabled,
// the store as far as the loader got and the map area as it was; its
// exception is shown. A complete one shows the map.
void TfMain::MapLoaded(const std::string& path, std::exception_ptr error) {
  loadingName.clear();
  ShowWorkProgress(false);
  if (error) std::rethrow_exception(error);
  EnableMapItems(this, true);
  PrepareFastRoutes();
  DrawMap();
  ImageM->Visible(true);
  PanelM->Visible(true);
  RecordOpenedMap(path);
}

// Ends any load or rebuild, then empties the store and the map area.
void TfMain::Close1Click(TObject*) {
  ForgetChoices(this);
  StopFastRoutes();
  mapWork->Cancel();
  loadingName.clear();
  ShowWorkProgress(false);
  ClearMapAndRoute();
  restrictions_ = TurnRestrictions();
  fastRoutes->SetTurns(nullptr);
  ShowWholeMap();
  ImageM->Visible(false);
  PanelM->Visible(false);
  Close1->Enabled(false);
  EnableMapItems(this, false);
  DrawMap();
}

bool TfMain::MapBusy() const { return mapWork->Running(); }

const TurnRestrictions& TfMain::Restrictions() const { return restrictions_; }

void TfMain::ShowWorkProgress(bool shown) {
  if (!shown) {
    StatusBar1->SimpleText("");
    StatusBar1->Progress(TStatusBar::kNoProgress);
    return;
  }
  const LoadProgress& progress = mapWork->Progress();
  StatusBar1->SimpleText(WorkStatusText(progress, loadingName));
  StatusBar1->Progress(WorkPercent(progress));
}

// The window closes in every case, with the map closed first.
void TfMain::FormCloseQuery(TObject* Sender, bool&) { Close1Click(Sender); }

void TfMain::Exit1Click(TObject*) { Close(); }
