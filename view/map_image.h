#pragma once

// The picture of the map in a bitmap: what the window's map image shows,
// and what the command-line companion draws without any window.

#include <cstdint>

#include "route/route_path.h"
#include "view/map_painting.h"

class RoadMapRenderer;
class TBitmap;

// What a picture shows besides the map store and the view: the items the
// View menu shows, the renderer that draws it as a road map (none: the
// plain drawing), and the route drawn in red, in either style.
struct MapImageOptions {
  bool lines;
  bool points;
  RoadMapRenderer* roadMap = nullptr;
  RoutePath route{};
};

// Sizes bitmap to the view's image and, unless the map has no extent on an
// axis (then the bitmap keeps its picture and the view's scales stay), fits
// the view's scales and paints the whole view: background, segments and
// points as the options say, the cursor mark around the view's pointer
// (none where the mark does not fit inside the image, as at pixel 0, 0). In
// a placed view (a zoom, or true proportions) it draws the same things in
// the same colours and order, but only what the shown area holds, with
// roads clipped at the image's edges; the outline of an end mark takes the
// pen the corner view has there, and the pen and brush are left as that
// view leaves them. With a road-map renderer, that renderer paints the
// view instead (see RoadMapRenderer::Draw).
void DrawMapImage(TBitmap* bitmap, MapView& view, const MapImageOptions& options);

// Brings the picture DrawMapImage painted last up to date, painting only
// what changed (see RedrawChanges); the same pixels as DrawMapImage.
// Returns false, painting nothing, when only DrawMapImage can show it: the
// bitmap's size differs from the view's, the view itself changed, or the
// last picture was drawn in the other style.
bool RedrawMapImage(TBitmap* bitmap, const MapView& view, const MapImageOptions& options);

// Makes the next RedrawMapImage refuse, so that the picture is painted in
// full again: for measuring the full painting against the redraw.
void ForgetMapImage();
