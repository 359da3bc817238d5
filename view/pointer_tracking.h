#pragma once

#include <cstdint>

class TfMain;

// The pointer's last pixel position within the map image, stored by every
// move over it; 0 until the first move. DrawMap puts its cursor mark there.
extern int32_t pointerX;
extern int32_t pointerY;

// Makes the point at index the current point as a pointer move onto it
// does: when it differs from the current point, shows its code and index and
// the route to it from the start point (its length, and the search's time
// when one runs). Does not draw.
void MakeCurrentPoint(TfMain* form, int32_t index);
