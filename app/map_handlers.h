#pragma once

#include <cstdint>

class TfMain;

// The zoom level a junction shown on request (Find's Show, a step of the
// directions) is shown at, at least.
constexpr int32_t kShownJunctionZoom = 4;

// Finds the route to the current point (through the vias to the pinned
// point while View, Directions is checked) and shows it: its length, the
// status line and the directions panel. Does not draw.
void ShowRouteToCurrentPoint(TfMain* form);

// Makes the point at index the current point as a pointer move onto it
// does: when it differs from the current point, shows its code and index and
// the route to it from the start point (its length, and the search's time
// when one runs). Does not draw.
void MakeCurrentPoint(TfMain* form, int32_t index);
