#pragma once

// Redrawing only what changed on the map image since it was last painted.

struct Painting;

// Remembers what the painting just finished shows: the view it was painted
// for, the start and current points, the pointer and the route. Called at
// the end of every painting of the whole view.
void RecordDrawnView(const Painting& painting);

// Forgets it: the image no longer shows a painting of the map (a draw that
// stopped at its early exits).
void ForgetDrawnView();

// Brings the image up to date with the map store, the route and the
// pointer, when it shows the view as recorded: a move that changed only the
// pointer puts back the pixels under the old cursor mark and draws the new
// one; otherwise the tiles of the image (16 x 16 pixels) touched by the
// items whose route flag changed, by the old and new start, current and
// cursor marks, are painted again, each with exactly what a painting of the
// whole view puts there. Leaves the pen and the brush as that painting
// would. Returns false, painting nothing, when the view itself changed
// (size, zoom, bounds, View options, the tables, or the route marks cleared
// in full), which only a painting of the whole view can show.
bool RedrawChanges(const Painting& painting);
