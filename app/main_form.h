#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/recent_maps.h"
#include "app/route_choice.h"
#include "map/turn_restrictions.h"
#include "toolkit/forms.h"
#include "view/map_view.h"
#include "view/road_map_renderer.h"

class BackgroundTask;
class FastRoutes;
struct HierarchyProgress;
class TBevel;
class TEdit;
class TFindDialog;
class TImage;
class TLabel;
class TListBox;
class TMainMenu;
class TMenuItem;
class TOpenDialog;
class TPanel;
class TStatusBar;

// The main window: menu, tool bar of read-out boxes and the map area. The
// form resource creates every component; the form owns them.
class TfMain : public TForm {
 public:
  TMainMenu* MainMenu1;
  TMenuItem* File1;
  TMenuItem* Open1;
  TMenuItem* Exit1;
  TMenuItem* View1;
  TMenuItem* Points1;
  TMenuItem* Lines1;
  TBevel* Bevel1;
  TMenuItem* Close1;
  TMenuItem* N1;
  TOpenDialog* OpenDialog1;
  TPanel* PanelTools;
  TEdit* EditX;
  TEdit* EditY;
  TEdit* EditCode;
  TEdit* EditIndex;
  TEdit* EditL;
  TLabel* Label1;
  TLabel* Label2;
  TLabel* Label3;
  TLabel* Label4;
  TLabel* Label5;
  TPanel* PanelM;
  TImage* ImageM;
  TLabel* Label6;
  TEdit* EditTime;
  // The line below the map that tells the current route.
  TStatusBar* StatusBar1;
  // The fastest route instead of the shortest, for maps with durations.
  TMenuItem* Fastest1;
  // The map drawn as a road map (for maps with road classes), and in true
  // proportions.
  TMenuItem* RoadMap1;
  TMenuItem* TrueProportions1;
  // Finding a junction by name.
  TMenuItem* Find1;
  // The route told turn by turn in a panel beside the map, and routed
  // through vias: app/route_choice.cpp.
  TMenuItem* Directions1;
  TPanel* PanelDirections;
  TListBox* ListDirections;
  RouteChoice routeChoice;
  void Directions1Click(TObject* Sender);
  void ListDirectionsDblClick(TObject* Sender);
  TFindDialog* FindDialog1;
  // File, Open Recent: the maps opened last, then a line and Clear List.
  TMenuItem* OpenRecent1;
  TMenuItem* N2;
  TMenuItem* ClearList1;

  // The File commands, the window's life and opening a map given to the
  // program: app/main_form.cpp.
  void FormCreate(TObject* Sender);
  void Open1Click(TObject* Sender);
  void Close1Click(TObject* Sender);
  void Exit1Click(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  // Opens the map at path (a file given to the program) as Open1Click opens
  // a chosen file, the open dialog then starting in its folder. A path that
  // names no regular file raises Exception and changes nothing.
  void OpenGivenMap(const std::string& path);

  // File, Open Recent and maps dropped onto the window:
  // app/recent_maps_menu.cpp and app/map_drop.cpp. LoadRecentMaps fills the
  // submenu from the settings file. RecordOpenedMap puts a map that has
  // just been opened first in the list and in the settings file; it runs
  // once the map is open, and for no map that failed to load. OpenRecentMap
  // opens path as OpenGivenMap does; a path that names no regular file any
  // more is taken off the list, and an Exception says so.
  void LoadRecentMaps();
  void RecordOpenedMap(const std::string& path);
  void OpenRecentMap(const std::string& path);
  void ClearList1Click(TObject* Sender);
  void FormDropFiles(TObject* Sender, const std::vector<std::string>& files);

  // Where the map image looks at the map: its size, scales, zoom and the
  // pointer's last position.
  MapView mapView;
  // Draws the map image while Road map is checked, keeping its map layer.
  RoadMapRenderer roadMapRenderer;

  // The map image's handlers, in app/map_handlers.cpp.
  // DrawMap rebuilds the picture of ImageM from the map store; RedrawMap
  // brings it up to date after a pointer move, painting only what changed
  // when the view itself did not: the same picture as DrawMap.
  void DrawMap();
  void RedrawMap();
  void Points1Click(TObject* Sender);
  void Lines1Click(TObject* Sender);
  void RoadMap1Click(TObject* Sender);
  void TrueProportions1Click(TObject* Sender);
  void FormResize(TObject* Sender);

  // Following the pointer, choosing the start and the fastest or shortest
  // route.
  void ImageMMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void ImageMMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void Fastest1Click(TObject* Sender);

  // Zooming and panning the map. ShowWholeMap goes back to the whole-map
  // view (level 0) and forgets any part of a wheel notch turned so far.
  void ImageMMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, int X, int Y);
  void FormKeyDown(TObject* Sender, TKey& Key, TShiftState Shift);
  void ShowWholeMap();

  // Finding a junction by name: app/find_command.cpp.
  void Find1Click(TObject* Sender);

  // Creates the form with its components from the form resource.
  explicit TfMain(TComponent* AOwner);
  // Ends any work still running on the map first.
  ~TfMain() override;

  // Loading a map and rebuilding its graph run there, one at a time, while
  // the window goes on: the store's tables are the work's until it ends,
  // and the map image's handlers and the View options leave the map alone
  // meanwhile (an option or a new size takes effect when the work ends). The
  // road graph with its bounds and the area index are built aside there and
  // put in place here, in the work's finish, so that nothing the window
  // reads is ever half replaced.
  std::unique_ptr<BackgroundTask> mapWork;
  // Whether such work runs.
  bool MapBusy() const;
  // The turn restrictions of the map whose graph is installed, handed over
  // with it when a load ends: none for a map without a T layer, while a
  // map loads, after a load that failed and after Close.
  const TurnRestrictions& Restrictions() const;

  // Preparing fast routes for a large map runs there, at low priority, while
  // the window goes on searching with what it has; it only reads the graph,
  // and ends before anything writes it.
  std::unique_ptr<BackgroundTask> routeWork;
  std::unique_ptr<HierarchyProgress> hierarchyProgress;
  // The window's route search: the prepared fast routes once handed over,
  // FindRoute until then.
  std::unique_ptr<FastRoutes> fastRoutes;
  void PrepareFastRoutes();
  void StopFastRoutes();

 private:
  // Zooms the view by levels around pixel (x, y) of the image; whether the
  // view changed.
  bool ZoomMap(int32_t levels, int32_t x, int32_t y);
  // Wheel turns not yet amounting to a notch, as a touchpad sends them.
  int wheelTurn = 0;

  // Opens the map the open dialog's file name names, when its name begins
  // with a capital M.
  void OpenDialogFile();
  // Takes over the load of the map at path that ended, with the exception
  // that ended it if any.
  void MapLoaded(const std::string& path, std::exception_ptr error);
  // Shows the map work's progress in the status line, or clears it.
  void ShowWorkProgress(bool shown);
  // The file name of the map being loaded, as the status line tells it;
  // empty while no load runs.
  std::string loadingName;
  // Writes the list to the settings file and shows it in Open Recent.
  void SaveRecentMaps();
  void ShowRecentMaps();

  TurnRestrictions restrictions_;
  RecentMaps recentMaps_;
  // The submenu's first RecentMaps::kLimit items, each showing the entry of
  // recentMaps_ at its place or hidden.
  std::vector<TMenuItem*> recentItems_;
};

// The one main window, set by Application->CreateForm.
extern TfMain* fMain;
