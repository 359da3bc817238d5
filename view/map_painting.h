#pragma once

// Painting the map's items onto the canvas of the map image, for the whole
// view and for parts of it. For the view's own files: DrawMap paints the
// whole view, the redraw of what changed paints parts of it, with the same
// functions, so that both give the same pixels.

#include <cstdint>
#include <vector>

#include "route/route_path.h"
#include "toolkit/colors.h"
#include "view/map_view.h"

class TCanvas;
struct PictureMemory;

// A rectangle of the image's pixels: left and top included, right and
// bottom excluded.
struct PixelRect {
  int left, top, right, bottom;
};

// The items a route passes, as its painting colours them: the indices of
// its segments, and of its points (the point with code c at index c - 1),
// each sorted and once. For a painting that asks after every item they are
// also kept a bit an index, so that it pays nothing for them; a redraw,
// which asks after few, searches the sorted indices instead of setting a
// bit for each index of the map on every pointer move.
class RouteItems {
 public:
  RouteItems() = default;
  RouteItems(const RoutePath& route, bool askedOfEveryItem);
  bool HasSegment(int32_t i) const { return segments_.Has(i); }
  bool HasPoint(int32_t j) const { return points_.Has(j); }
  const std::vector<int32_t>& Segments() const { return segments_.sorted; }
  const std::vector<int32_t>& Points() const { return points_.sorted; }

 private:
  // Indices sorted and once, and when asked for, a bit for each from 0 to
  // the largest.
  struct Indices {
    Indices() = default;
    Indices(std::vector<int32_t> items, bool withBits);
    bool Has(int32_t i) const;
    std::vector<int32_t> sorted;
    std::vector<bool> bits;
  };
  Indices segments_, points_;
};

// What every painting of the map follows: the view (its size, scales, zoom
// and the pixel the cursor mark surrounds), which items the View menu shows,
// the route painted red, and the pen colour the canvas had when the
// painting began (what the whole-map pass inherits from the pass before
// it); and the memory of the picture, whose owner plane every painting of
// the view records into the canvas (the canvas follows that plane while the
// painting runs).
struct Painting {
  TCanvas* canvas;
  MapView view;
  bool lines;
  bool points;
  RouteItems route;
  TColor penAtStart;
  PictureMemory* memory;
};

// The whole-map view, every item in table order: the segments' pairs of
// consecutive vertices with both ends inside the image, then the points
// inside it. Each end mark's outline takes the pen in force, which is then
// the whole-map pass's own. Records each pixel's owner.
void PaintWholeMap(const Painting& painting);

// Everything a full painting at the current zoom level draws into the
// pixels of rect, in the same order and colours, with the canvas clipped to
// rect (at the whole-map view too). The outline of an end mark takes the pen
// colour the whole-map pass has at that point, wherever the view is.
// Records the owner of each pixel of rect.
void PaintRect(const Painting& painting, const PixelRect& rect);

// Draws segment i (point j) again in its present colour over only the
// pixels the owner plane gives it, which a full painting shows in that
// colour, so that a change of its route flag costs what the item costs, not
// what its area holds. Nothing for an index outside the table. An end mark's
// outline follows the pen of the whole-map pass, not its own colour: the
// start and current points are painted with PaintRect instead.
void RecolourOwnedPixelsOfSegment(const Painting& painting, int32_t i);
void RecolourOwnedPixelsOfPoint(const Painting& painting, int32_t j);

// Whether the outline of point j's end mark, if it is drawn, takes the pen
// the whole-map pass began with: no point and no road pair comes before it
// in that pass.
bool EndMarkTakesPenAtStart(const Painting& painting, int32_t j);

// Sets the pen and brush to what the whole-map pass leaves: the colour of
// the last point it draws, else (pen only) of the last road pair it draws,
// else the pen it began with and the background's brush.
void LeaveWholeMapPenAndBrush(const Painting& painting);

// Appends the pixel box point j covers at the current zoom level when it is
// drawn, clamped to the image: the box of its mark, two pixels around it as
// an end mark's. Nothing for a point not drawn.
void AppendBoxesOfPoint(int32_t j, const MapView& view, std::vector<PixelRect>& boxes);

// The four grey pixels diagonally around the painting's pointer, when all
// of them lie inside the image; the pixels under them are kept in the
// painting's memory, so that EraseCursorMark can put them back. The mark
// owns no pixel: the owner plane keeps the items under it.
void DrawCursorMark(const Painting& painting);
void EraseCursorMark(const Painting& painting);

// The box the cursor mark at the pointer covers, clamped to the image; empty
// when no mark is drawn there.
PixelRect CursorMarkBox(int32_t x, int32_t y, const MapView& view);
