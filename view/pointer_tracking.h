#pragma once

#include <cstdint>

// The pointer's last pixel position within the map image, stored by every
// move over it; 0 until the first move. DrawMap puts its cursor mark there.
extern int32_t pointerX;
extern int32_t pointerY;

// The Euclidean distance between (x1, y1) and (x2, y2).
double PointDistance(double x1, double y1, double x2, double y2);
