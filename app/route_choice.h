#pragma once

// View, Directions: the vias and the pinned target the user chooses with
// modified clicks, the route through them, and its steps in the panel
// beside the map.

#include <cstdint>
#include <string>
#include <vector>

#include "route/directions.h"
#include "route/via_route.h"
#include "toolkit/controls.h"

class TfMain;

// What the window keeps for Directions; empty while it is unchecked.
struct RouteChoice {
  std::vector<int32_t> vias;  // indices into points, in the order chosen
  int32_t pinned = -1;        // index of the pinned target, -1 for none
  ViaRoute route;
  Directions directions;
  RoutePath listed;                // the route whose steps the panel lists
  bool listing = false;            // whether the panel lists a route (or "no route")
  std::vector<int32_t> stepCodes;  // the junction of each step listed
};

// The route from the start through the vias to the pinned point, else to
// the current point, each leg a shortest route: its number of points (the
// legs' points, each via once) or RouteNotFound(), with the ticks this
// search spent in the Time box. Needs a start and a current point.
int32_t FindChosenRoute(TfMain* form);

// The route the window shows, which the status line tells and the map
// image draws in either style: the chosen route's, every leg, while
// Directions is checked, else the last route found.
RoutePath ShownRoute(TfMain* form);

// Lists the chosen route's steps in the panel, when the route differs from
// the one listed: its distance and travel time (or "no route") at the top,
// then a line a step. Empty without a route (routeCount < 0).
void ListSteps(TfMain* form, int32_t routeCount);

// A click with Directions checked: Ctrl adds the current point as the last
// via (or, on a via, removes that via), Shift pins it; both then find and
// show the route again. A plain click, and a modified one without a start,
// forgets the vias and the pin and returns false: the click then sets the
// start as always.
bool ChooseWithClick(TfMain* form, TShiftState shift);

// Esc: unpins, else removes the last via, and shows the route again;
// whether there was anything to undo.
bool UndoLastChoice(TfMain* form);

// Forgets the vias, the pin and the steps listed (the route is found and
// listed again on the next move).
void ForgetChoices(TfMain* form);

// Draws each via as a numbered mark over the map image, leaving the
// canvas's pen and brush as they were.
void DrawViaMarks(TfMain* form);
