#pragma once

// Painting the map's items onto the canvas of the map image, for the whole
// view and for parts of it. For the view's own files: DrawMap paints the
// whole view, the redraw of what changed paints parts of it, with the same
// functions, so that both give the same pixels.

#include <cstdint>
#include <vector>

#include "toolkit/colors.h"
#include "view/map_view.h"

class TCanvas;

// A rectangle of the image's pixels: left and top included, right and
// bottom excluded.
struct PixelRect {
  int left, top, right, bottom;
};

// What every painting of the map follows: the view (its size, scales, zoom
// and the pixel the cursor mark surrounds), which items the View menu shows,
// and the pen colour the canvas had when the painting began (what the
// whole-map pass inherits from the pass before it).
struct Painting {
  TCanvas* canvas;
  MapView view;
  bool lines;
  bool points;
  TColor penAtStart;
};

// Whether the route flag of index is set; an index beyond the flags counts
// as off the route.
bool OnRoute(const std::vector<int32_t>& flags, int32_t index);

// The whole-map view, every item in table order: the segments' pairs of
// consecutive vertices with both ends inside the image, then the points
// inside it. Each end mark's outline takes the pen in force, which is then
// the whole-map pass's own.
void PaintWholeMap(const Painting& painting);

// Everything a full painting at the current zoom level draws into the
// pixels of rect, in the same order and colours, with the canvas clipped to
// rect (at the whole-map view too). The outline of an end mark takes the pen
// colour the whole-map pass has at that point, wherever the view is.
void PaintRect(const Painting& painting, const PixelRect& rect);

// Whether the outline of point j's end mark, if it is drawn, takes the pen
// the whole-map pass began with: no point and no road pair comes before it
// in that pass.
bool EndMarkTakesPenAtStart(const Painting& painting, int32_t j);

// Sets the pen and brush to what the whole-map pass leaves: the colour of
// the last point it draws, else (pen only) of the last road pair it draws,
// else the pen it began with and the background's brush.
void LeaveWholeMapPenAndBrush(const Painting& painting);

// Appends the pixel boxes an item covers at the current zoom level when it
// is drawn, clamped to the image: the box of every drawn pair of segment i's
// vertices; the box of point j's mark (two pixels around it, for the end
// marks). Nothing for an item not drawn.
void AppendBoxesOfSegment(int32_t i, const MapView& view, std::vector<PixelRect>& boxes);
void AppendBoxesOfPoint(int32_t j, const MapView& view, std::vector<PixelRect>& boxes);

// The four grey pixels diagonally around the painting's pointer, when all
// of them lie inside the image; the pixels under them are kept, so that
// EraseCursorMark can put them back.
void DrawCursorMark(const Painting& painting);
void EraseCursorMark(TCanvas* canvas);

// The box the cursor mark at the pointer covers, clamped to the image; empty
// when no mark is drawn there.
PixelRect CursorMarkBox(int32_t x, int32_t y, const MapView& view);
