#pragma once

// Redrawing only what changed on the map image since it was last painted.

struct Painting;
struct PictureMemory;

// Remembers in the painting's memory what the painting just finished shows:
// the view it was painted for, the start and current points, the pointer
// and the route. Called at the end of every painting of the whole view.
void RecordDrawnView(const Painting& painting);

// Forgets it: the image no longer shows a painting of the map (a draw that
// stopped at its early exits).
void ForgetDrawnView(PictureMemory& memory);

// Brings the image up to date with the map store, the route and the
// pointer, when it shows the view as recorded: the pixels under the old
// cursor mark are put back; each segment and point whose route flag changed
// is drawn again in its new colour over the pixels it still shows (the
// owner plane's); the tiles of the image (16 x 16 pixels) touched by the old
// and new start and current marks are painted again in full, on every
// change, since their outlines follow the pen of the whole-map pass; then
// the new cursor mark is drawn. The same pixels as a painting of the whole
// view. Leaves the pen and the brush as that painting would. Returns false,
// painting nothing, when the view itself changed (size, zoom, bounds, View
// options, the tables), which only a painting of the whole view can show.
bool RedrawChanges(const Painting& painting);
