#pragma once

#include <cstdint>

// Finding the point of the map nearest to a map position, as the pointer
// does.

// The Euclidean distance between (x1, y1) and (x2, y2).
double PointDistance(double x1, double y1, double x2, double y2);

// The index of the point nearest to (mapX, mapY) over the whole table, the
// lowest index among equally near ones; 0 for an empty table and when no
// point is nearer than 2147483647 map units: a scan of every point.
int32_t NearestPointByScan(double mapX, double mapY);

// The same point as NearestPointByScan, found through the area index: the
// cells around the position ring by ring, until every point beyond is
// farther than the nearest one found (with room for rounding); equally near
// points go to the lower index, as the scan's strict comparison gives them.
int32_t NearestPoint(double mapX, double mapY);
