#include "app/route_choice.h"

#include <algorithm>
#include <iterator>

#include "app/main_form.h"
#include "app/map_handlers.h"
#include "map/map_store.h"
#include "route/fast_route_search.h"
#include "route/route_search.h"
#include "route/route_summary.h"
#include "toolkit/colors.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"
#include "toolkit/list_box.h"
#include "toolkit/menus.h"
#include "toolkit/text.h"
#include "view/map_transform.h"
#include "view/map_zoom.h"

namespace {

// The codes of the start and the vias, in order.
std::vector<int32_t> Stops(const RouteChoice& choice) {
  std::vector<int32_t> stops{points[startPoint].Code};
  for (const int32_t via : choice.vias) stops.push_back(points[via].Code);
  return stops;
}

// A step as the panel lists it: its instruction, then the distance and the
// time to the next step as the status line writes them (none for the
// arrival).
std::string StepLine(const DirectionStep& step, bool last) {
  return last ? step.instruction
              : step.instruction + " (" + DistanceAndTimeText(step.length, step.tenths) + ")";
}

// Finds and shows the route again after the choices changed, and paints
// the whole view: marks of earlier legs may have gone.
void ShowChoice(TfMain* form) {
  ShowRouteToCurrentPoint(form);
  form->DrawMap();
}

// A digit's pixels, five rows of three, the highest bit the left column.
constexpr uint8_t kDigitRows[10][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7},
                                       {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1},
                                       {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

// Writes number with its middle at pixel (x, y) in colour.
void DrawNumber(TCanvas* canvas, int64_t x, int64_t y, size_t number, TColor colour) {
  const std::string digits = std::to_string(number);
  const int64_t left = x - static_cast<int64_t>(digits.size() * 4 - 1) / 2;
  for (size_t d = 0; d < digits.size(); ++d)
    for (int row = 0; row < 5; ++row)
      for (int column = 0; column < 3; ++column)
        if (kDigitRows[digits[d] - '0'][row] & (4 >> column))
          canvas->SetPixel(static_cast<int>(left + 4 * d + column), static_cast<int>(y - 2 + row), colour);
}

// How far a via mark reaches from its point, in pixels.
constexpr int64_t kViaMarkReach = 7;

}  // namespace

int32_t FindChosenRoute(TfMain* form) {
  RouteChoice& choice = form->routeChoice;
  const std::vector<int32_t> stops = Stops(choice);
  if (stops != choice.route.Stops()) choice.route.SetStops(stops);
  const int32_t target = choice.pinned >= 0 ? choice.pinned : currentPoint;
  const int32_t routeCount =
      choice.route.RouteTo(points[target].Code, [form](int32_t from, int32_t to, int32_t& arrival) {
        return form->fastRoutes->FindLeg(from, to, arrival);
      });
  form->EditTime->SetText(IntToStr(choice.route.Ticks()));
  return routeCount;
}

RoutePath ShownRoute(TfMain* form) {
  return form->Directions1->Checked() ? form->routeChoice.route.Route() : LastRoute();
}

void ListSteps(TfMain* form, int32_t routeCount) {
  RouteChoice& choice = form->routeChoice;
  if (!form->Directions1->Checked()) return;
  const bool listing = routeCount >= 0;
  const RoutePath& route = choice.route.Route();
  if (listing == choice.listing && route.codes == choice.listed.codes &&
      route.segments == choice.listed.segments)
    return;
  choice.listing = listing;
  choice.listed = listing ? route : RoutePath();
  choice.stepCodes.clear();
  std::vector<std::string> lines;
  if (listing && routeCount == RouteNotFound()) lines.push_back("no route");
  if (listing && routeCount != RouteNotFound()) {
    lines.push_back(DistanceAndTimeText(LengthOf(route.segments), DurationOf(route.segments)));
    const std::vector<DirectionStep> steps = choice.directions.StepsOf(route);
    for (size_t k = 0; k < steps.size(); ++k) {
      lines.push_back(StepLine(steps[k], k + 1 == steps.size()));
      choice.stepCodes.push_back(steps[k].code);
    }
  }
  form->ListDirections->Items(lines);
}

bool ChooseWithClick(TfMain* form, TShiftState shift) {
  RouteChoice& choice = form->routeChoice;
  if (startPoint < 0 || currentPoint < 0 || !(shift & (ssCtrl | ssShift))) {
    if (choice.vias.empty() && choice.pinned < 0) return false;
    ForgetChoices(form);
    startPoint = currentPoint;
    ShowChoice(form);
    return true;
  }
  if (shift & ssCtrl) {
    const auto via = std::find(choice.vias.rbegin(), choice.vias.rend(), currentPoint);
    if (via != choice.vias.rend())
      choice.vias.erase(std::next(via).base());
    else if (currentPoint != startPoint)
      choice.vias.push_back(currentPoint);
  } else {
    choice.pinned = currentPoint;
  }
  ShowChoice(form);
  return true;
}

bool UndoLastChoice(TfMain* form) {
  RouteChoice& choice = form->routeChoice;
  if (choice.pinned >= 0)
    choice.pinned = -1;
  else if (!choice.vias.empty())
    choice.vias.pop_back();
  else
    return false;
  ShowChoice(form);
  return true;
}

void ForgetChoices(TfMain* form) {
  RouteChoice& choice = form->routeChoice;
  choice.vias.clear();
  choice.pinned = -1;
  choice.route.SetStops({});
  choice.listing = false;
  choice.listed = {};
  choice.stepCodes.clear();
  form->ListDirections->Items({});
}

void DrawViaMarks(TfMain* form) {
  const RouteChoice& choice = form->routeChoice;
  if (!form->Directions1->Checked() || choice.vias.empty()) return;
  TCanvas* canvas = form->ImageM->Picture()->GetBitmap()->GetCanvas();
  const TColor pen = canvas->Pen()->Color(), brush = canvas->Brush()->Color();
  canvas->Pen()->SetColor(clBlue);
  canvas->Brush()->SetColor(clWhite);
  for (size_t k = 0; k < choice.vias.size(); ++k) {
    const TFieldM& via = points[choice.vias[k]];
    const int64_t x = ZoomedPixelX(form->mapView, via.X), y = ZoomedPixelY(form->mapView, via.Y);
    if (x < -kViaMarkReach || y < -kViaMarkReach || x > form->mapView.width + kViaMarkReach ||
        y > form->mapView.height + kViaMarkReach)
      continue;
    canvas->Ellipse(static_cast<int>(x - kViaMarkReach), static_cast<int>(y - kViaMarkReach),
                    static_cast<int>(x + kViaMarkReach + 1), static_cast<int>(y + kViaMarkReach + 1));
    DrawNumber(canvas, x, y, k + 1, clBlue);
  }
  canvas->Pen()->SetColor(pen);
  canvas->Brush()->SetColor(brush);
}

// Centres the map on the junction of the step double-clicked, zoomed in to
// at least the level Find's Show uses; the total's line does nothing.
void TfMain::ListDirectionsDblClick(TObject*) {
  if (MapBusy()) return;
  const int row = ListDirections->ItemIndex();
  if (row < 1 || static_cast<size_t>(row) > routeChoice.stepCodes.size()) return;
  const TFieldM& junction = points[routeChoice.stepCodes[row - 1] - 1];
  CentreViewOn(mapView, junction.X, junction.Y, kShownJunctionZoom);
  DrawMap();
}

// Shows or hides the panel; either way the vias and the pin are forgotten
// and the route from the start is found and drawn again. Not while work on
// the map runs.
void TfMain::Directions1Click(TObject*) {
  if (MapBusy()) return;
  Directions1->SetChecked(!Directions1->Checked());
  ForgetChoices(this);
  PanelDirections->Visible(Directions1->Checked());
  ShowRouteToCurrentPoint(this);
  DrawMap();
}
