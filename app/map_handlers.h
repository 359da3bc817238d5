#pragma once

#include <cstdint>

class TfMain;

// Makes the point at index the current point as a pointer move onto it
// does: when it differs from the current point, shows its code and index and
// the route to it from the start point (its length, and the search's time
// when one runs). Does not draw.
void MakeCurrentPoint(TfMain* form, int32_t index);
