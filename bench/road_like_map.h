#pragma once

// Fills the map store with a network that looks like real roads rather than
// a grid, and builds its graph: 40 towns of streets (jittered grids of 12 x
// 12 junctions, some streets missing) scattered over a county, each joined
// to its nearest towns by long winding country roads, chains of points of
// degree two every 100 to 150 units. About 21,000 points and 26,000
// segments; codes 1, 2, ... in file order; lengths a little longer than the
// straight distance, as roads bend.
void MakeRoadLikeMap();
