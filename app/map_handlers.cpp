// The main window's handlers of the map image: drawing it and the View
// options that change it, following the pointer to choose the start and
// show the route, and zooming and panning.

#include "app/map_handlers.h"

#include <memory>
#include <string>

#include "app/background_task.h"
#include "app/main_form.h"
#include "app/route_choice.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/fast_route_search.h"
#include "route/route_search.h"
#include "route/route_summary.h"
#include "route/turn_graph.h"
#include "toolkit/controls.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/menus.h"
#include "toolkit/text.h"
#include "view/map_image.h"
#include "view/map_transform.h"
#include "view/map_zoom.h"
#include "view/nearest_point.h"

namespace {

// The View options as the menu shows them, and the route shown.
MapImageOptions ImageOptions(TfMain* form) {
  return {form->Lines1->Checked(), form->Points1->Checked(),
          form->RoadMap1->Checked() ? &form->roadMapRenderer : nullptr, ShownRoute(form)};
}

// Replaces the box's text and shows it at once.
void ShowText(TEdit* box, const std::string& text) {
  box->SetText(text);
  box->Repaint();
}

// A map coordinate as the X and Y boxes show it: six decimals.
std::string CoordinateText(double value) { return FloatToStrF(value, ffFixed, 8, 6); }

// Shows the current point's code and index, both empty for an empty table.
void ShowCurrentPoint(TfMain* form) {
  const bool any = pointCount > 0;
  form->EditCode->SetText(any ? IntToStr(points[currentPoint].Code) : "");
  form->EditIndex->SetText(any ? IntToStr(currentPoint) : "");
  form->EditCode->Repaint();
  form->EditIndex->Repaint();
}

// The route from the start point to the current point: its number of points
// from the window's route search (FindRoute's, or the prepared fast routes'
// once they are ready), which also marks it, with the ticks the search took
// shown in the Time box; -1 without a search when either point is unset.
int32_t RouteToCurrentPoint(TfMain* form) {
  if (startPoint < 0 || currentPoint < 0) return -1;
  if (form->Directions1->Checked()) return FindChosenRoute(form);
  const int32_t routeCount = form->fastRoutes->Find(points[startPoint].Code, points[currentPoint].Code);
  form->EditTime->SetText(IntToStr(routeTicks));
  return routeCount;
}

// Eighths of a degree a wheel turns for one notch, one zoom level.
constexpr int kWheelNotch = 120;

}  // namespace

// The route's number of points in the Length box, what the status line tells
// of it (nothing without a search), and its steps in the panel.
void ShowRouteToCurrentPoint(TfMain* form) {
  const int32_t routeCount = RouteToCurrentPoint(form);
  ShowText(form->EditL, IntToStr(routeCount));
  TStatusBar* bar = form->StatusBar1;
  bar->SimpleText(
      routeCount < 0 ? ""
                     : RouteStatusText(routeCount, ShownRoute(form).segments, [bar](const std::string& text) {
                         return bar->TextWidth(text) <= bar->TextRoom();
                       }));
  bar->Repaint();
  ListSteps(form, routeCount);
}

void MakeCurrentPoint(TfMain* form, int32_t index) {
  if (index == currentPoint) return;
  currentPoint = index;
  ShowCurrentPoint(form);
  ShowRouteToCurrentPoint(form);
}

// Paints the whole view into ImageM's bitmap, sized to the image.
void TfMain::DrawMap() {
  mapView.width = ImageM->Width();
  mapView.height = ImageM->Height();
  // A plain picture replaces the road map's.
  if (!RoadMap1->Checked()) roadMapRenderer.Forget();
  DrawMapImage(ImageM->Picture()->GetBitmap(), mapView, ImageOptions(this));
  DrawViaMarks(this);
}

// What changed since the last painting, or the whole view when the view
// itself changed.
void TfMain::RedrawMap() {
  mapView.width = ImageM->Width();
  mapView.height = ImageM->Height();
  if (!RedrawMapImage(ImageM->Picture()->GetBitmap(), mapView, ImageOptions(this)))
    DrawMap();
  else
    DrawViaMarks(this);
}

// While work on the map runs, the options and the size take effect when
// it ends, which draws the map.
void TfMain::Points1Click(TObject*) {
  Points1->SetChecked(!Points1->Checked());
  if (!MapBusy()) DrawMap();
}

void TfMain::Lines1Click(TObject*) {
  Lines1->SetChecked(!Lines1->Checked());
  if (!MapBusy()) DrawMap();
}

void TfMain::RoadMap1Click(TObject*) {
  RoadMap1->SetChecked(!RoadMap1->Checked());
  if (!MapBusy()) DrawMap();
}

// The zoom level and centre stay: the view shows the same middle, in the
// other proportions.
void TfMain::TrueProportions1Click(TObject*) {
  TrueProportions1->SetChecked(!TrueProportions1->Checked());
  mapView.proportional = TrueProportions1->Checked();
  if (!MapBusy()) DrawMap();
}

// The image has its new size by now; the view follows it.
void TfMain::FormResize(TObject*) {
  if (!MapBusy()) DrawMap();
}

// Shows the pointer's map position; when the nearest point changes, shows
// it and the route to it from the start point; brings the view up to date
// every time.
void TfMain::ImageMMouseMove(TObject*, TShiftState, int X, int Y) {
  if (MapBusy()) return;
  mapView.pointerX = X;
  mapView.pointerY = Y;
  const double mapX = PixelToMapX(mapView, X);
  const double mapY = PixelToMapY(mapView, Y);
  ShowText(EditX, CoordinateText(mapX));
  ShowText(EditY, CoordinateText(mapY));
  MakeCurrentPoint(this, NearestPoint(mapX, mapY));
  RedrawMap();
}

// Switches between the fastest and the shortest route: the graph is weighed
// anew aside on the worker and put in place here once it is built (which
// ends the kept search); then the route from the start to the current point
// is found again, shown in the boxes and drawn. A rebuild that fails leaves
// the earlier graph.
void TfMain::Fastest1Click(TObject*) {
  if (MapBusy()) return;
  Fastest1->SetChecked(!Fastest1->Checked());
  graphWeighsDurations = Fastest1->Checked();
  Find1->Enabled(false);
  StopFastRoutes();
  auto graph = std::make_shared<RoadGraph>();
  auto turns = std::make_shared<std::shared_ptr<TurnGraph>>();
  mapWork->Start(
      [graph, turns, restrictions = Restrictions()](LoadProgress& progress) {
        progress.phase = LoadProgress::kBuildingGraph;
        *graph = BuildRoadGraphAside();
        *turns = TurnsOf(*graph, restrictions);
      },
      [this, graph, turns](std::exception_ptr error) {
        ShowWorkProgress(false);
        Find1->Enabled(true);
        if (error) std::rethrow_exception(error);
        InstallRoadGraph(*graph);
        fastRoutes->SetTurns(*turns);
        PrepareFastRoutes();
        ShowRouteToCurrentPoint(this);
        DrawMap();
      });
}

// Any button: the current point becomes the start point; the position is
// then handled as a move. While View, Directions is checked, Ctrl and Shift
// choose vias and the pin instead (see ChooseWithClick).
void TfMain::ImageMMouseDown(TObject* Sender, TMouseButton, TShiftState Shift, int X, int Y) {
  if (MapBusy()) return;
  if (Directions1->Checked() && ChooseWithClick(this, Shift)) return;
  startPoint = currentPoint;
  ImageMMouseMove(Sender, Shift, X, Y);
}

bool TfMain::ZoomMap(int32_t levels, int32_t x, int32_t y) {
  mapView.width = ImageM->Width();
  mapView.height = ImageM->Height();
  if (!ZoomAround(mapView, levels, x, y)) return false;
  if (mapView.zoomLevel == 0) wheelTurn = 0;
  return true;
}

void TfMain::ShowWholeMap() {
  wheelTurn = 0;
  ResetZoom(mapView);
}

// The wheel zooms in (turned away from the user) or out, a level a notch,
// around the pointer; the pointer's position is then shown as after a move.
void TfMain::ImageMMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, int X, int Y) {
  if (MapBusy()) return;
  wheelTurn += WheelDelta;
  const int notches = wheelTurn / kWheelNotch;
  wheelTurn -= notches * kWheelNotch;
  if (ZoomMap(notches, X, Y)) ImageMMouseMove(Sender, Shift, X, Y);
}

// Whichever control has the focus: Esc ends a load that runs,
// leaving the window as File, Close does. While a map is shown and no such
// work runs, '+' and '-' zoom around the image's centre, the arrow keys pan
// by a quarter of the image, Home returns to the whole-map view.
void TfMain::FormKeyDown(TObject* Sender, TKey& Key, TShiftState) {
  if (Key == VK_ESCAPE && MapBusy() && !loadingName.empty()) {
    Key = 0;
    Close1Click(Sender);
    return;
  }
  if (!ImageM->Visible() || MapBusy()) return;
  mapView.width = ImageM->Width();
  mapView.height = ImageM->Height();
  const int32_t middleX = mapView.width / 2, middleY = mapView.height / 2;
  bool changed = false;
  switch (Key) {
    case VK_ADD:
      changed = ZoomMap(1, middleX, middleY);
      break;
    case VK_SUBTRACT:
      changed = ZoomMap(-1, middleX, middleY);
      break;
    case VK_HOME:
      changed = mapView.zoomLevel != 0;
      ShowWholeMap();
      break;
    case VK_LEFT:
      changed = PanView(mapView, -1, 0);
      break;
    case VK_RIGHT:
      changed = PanView(mapView, 1, 0);
      break;
    case VK_UP:
      changed = PanView(mapView, 0, -1);
      break;
    case VK_DOWN:
      changed = PanView(mapView, 0, 1);
      break;
    case VK_ESCAPE:  // Directions: unpin, else remove the last via
      if (!Directions1->Checked() || !UndoLastChoice(this)) return;
      break;
    default:
      return;
  }
  Key = 0;  // the map's key: not the focused box's
  if (changed) DrawMap();
}
