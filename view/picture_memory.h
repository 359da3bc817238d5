#pragma once

// What the painter of the map image keeps of the picture it painted last, so
// that a pointer move repaints only what changed. One object holds all of
// it; the painting functions are given it.

#include <cstdint>
#include <vector>

#include "toolkit/colors.h"
#include "view/map_view.h"

// Everything a painting of the whole view depends on besides the route,
// the start, current and pointer positions: the view, the View options, and
// the map's tables, bounds and graph, which change only together with
// graphGeneration. The route drawn before and the route drawn now tell every
// item whose colour changed. Equal keys, equal pictures of everything else.
struct ViewKey {
  MapView view;
  bool lines, points;
  uint32_t graphGeneration;

  bool operator==(const ViewKey& o) const {
    return SameView(view, o.view) && lines == o.lines && points == o.points &&
           graphGeneration == o.graphGeneration;
  }
};

// The pixels under the cursor mark, and where it stands.
struct UnderCursorMark {
  bool kept = false;
  int32_t x = 0, y = 0;
  TColor pixels[4] = {};
};

struct PictureMemory {
  // Whether the image shows a painting of the map, and of which view.
  bool valid = false;
  ViewKey key{};
  // The start, current and pointer positions and the route it shows: the
  // segment and point indices on the route, sorted.
  int32_t start = -1, current = -1, pointerX = 0, pointerY = 0;
  std::vector<int32_t> routeSegments, routePoints;

  UnderCursorMark underCursorMark;

  // For each pixel, row by row, the item that painted it last, as a full
  // painting of the view leaves it (the cursor mark aside): segment i as i,
  // point j as the segment count + j. Holds the image's width x height ids
  // while valid. A pixel no item paints keeps an id of no meaning, left from
  // an earlier painting: the background is not recorded, which would cost
  // a second fill of the whole image on every painting. No redraw can take
  // that id for its own: the item it names, drawn again, reaches only
  // pixels it paints in this view, and every one of those was recorded.
  std::vector<int32_t> owners;

  // Ids of what an area of the map holds, reused from painting to painting.
  std::vector<int32_t> areaIds;
};
