#pragma once

// Placing road names along their roads, in pixels: each name in its road's
// direction, never upside down, inside the image, and clear of every other
// name placed.

#include <cstdint>
#include <vector>

#include "toolkit/graphics.h"

// Polylines in pixels: polyline k runs through vertices[starts[k]] up to
// the vertex before starts[k + 1] (the last up to the end).
struct LabelLines {
  std::vector<TPointF> vertices;
  std::vector<uint32_t> starts;
};

// A road to name: the box its name needs (width along the road, height
// across it, in pixels) and its polylines, [firstLine, endLine) of the
// LabelLines.
struct LabelRoad {
  double width;
  double height;
  uint32_t firstLine;
  uint32_t endLine;
};

// A name placed: its road's index, the centre of its box, and the angle in
// radians, clockwise on screen, along which it reads: within (-pi/2, pi/2],
// so never upside down.
struct PlacedLabel {
  uint32_t road;
  TPointF centre;
  double angle;
  double width;
  double height;
};

// Places at most one name per road, the roads taken in the order given
// (earlier ones first, where names compete for room), on a nearly straight
// stretch of the road at least as long as the name with some room at each
// end. A road where no such stretch has room gets none. The boxes of the
// names placed lie inside the image of width x height pixels, and no two
// of them overlap, nor come closer than half a pixel.
std::vector<PlacedLabel> PlaceRoadLabels(const std::vector<LabelRoad>& roads, const LabelLines& lines,
                                         double width, double height);
