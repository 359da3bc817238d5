#include "view/pointer_tracking.h"

#include <string>
#include <vector>

#include "app/main_form.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "route/route_summary.h"
#include "toolkit/controls.h"
#include "toolkit/menus.h"
#include "toolkit/text.h"
#include "view/map_transform.h"
#include "view/nearest_point.h"

int32_t pointerX = 0;
int32_t pointerY = 0;

namespace {

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
// from FindRoute, which also marks it, with the ticks the search took shown
// in the Time box; -1 without a search when either point is unset.
int32_t RouteToCurrentPoint(TfMain* form) {
  if (startPoint < 0 || currentPoint < 0) return -1;
  const int32_t routeCount = FindRoute(points[startPoint].Code, points[currentPoint].Code);
  form->EditTime->SetText(IntToStr(routeTicks));
  return routeCount;
}

// Finds the route to the current point and shows it: its number of points
// in the Length box, and what the status line tells of it (nothing without
// a search).
void ShowRouteToCurrentPoint(TfMain* form) {
  const int32_t routeCount = RouteToCurrentPoint(form);
  ShowText(form->EditL, IntToStr(routeCount));
  TStatusBar* bar = form->StatusBar1;
  bar->SimpleText(routeCount < 0 ? "" : RouteStatusText(routeCount, [bar](const std::string& text) {
    return bar->TextWidth(text) <= bar->TextRoom();
  }));
  bar->Repaint();
}

}  // namespace

void MakeCurrentPoint(TfMain* form, int32_t index) {
  if (index == currentPoint) return;
  currentPoint = index;
  ShowCurrentPoint(form);
  ShowRouteToCurrentPoint(form);
}

// Shows the pointer's map position; when the nearest point changes, shows
// it and the route to it from the start point; brings the view up to date
// every time.
void TfMain::ImageMMouseMove(TObject*, TShiftState, int X, int Y) {
  pointerX = X;
  pointerY = Y;
  const double mapX = PixelToMapX(X);
  const double mapY = PixelToMapY(Y);
  ShowText(EditX, CoordinateText(mapX));
  ShowText(EditY, CoordinateText(mapY));
  MakeCurrentPoint(this, NearestPoint(mapX, mapY));
  RedrawMap();
}

// Switches between the fastest and the shortest route: the graph is weighed
// anew (which ends the kept search), and the route from the start to the
// current point is found again, shown in the boxes and drawn.
void TfMain::Fastest1Click(TObject*) {
  Fastest1->SetChecked(!Fastest1->Checked());
  graphWeighsDurations = Fastest1->Checked();
  BuildRoadGraph();
  ShowRouteToCurrentPoint(this);
  DrawMap();
}

// Any button: the current point becomes the start point; the position is
// then handled as a move.
void TfMain::ImageMMouseDown(TObject* Sender, TMouseButton, TShiftState Shift, int X, int Y) {
  startPoint = currentPoint;
  ImageMMouseMove(Sender, Shift, X, Y);
}
