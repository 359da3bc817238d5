#pragma once

#include <cstdint>
#include <vector>

#include "map/bounds.h"

// The map's segments and points by area, so that drawing a part of the map
// costs what is in it: a uniform grid of cells over the map bounds (X and
// negated Y, as the bounds are kept). Each cell lists, in table order, the
// segments having a pair of consecutive vertices whose box overlaps the
// cell, and the points lying in it; anything beyond the bounds counts in
// the nearest cell at the edge, so that every area query stays complete.
//
// The lists hold at most 4 x (vertex pairs + points) entries, whatever the
// map: a segment whose pairs would cover more cells than that leaves for
// the wide list, which every query hands out whole. So any map that loads
// is indexed, and a hostile one (long diagonal roads) costs bounded memory.
//
// The index is built from the tables and the bounds on its first use after
// they change, by BuildMapAreaIndex, or aside by IndexMapArea for the window
// to put in place once a load ends; it is dropped with the tables it
// indexes: by ClearMapStore and at the start of every load.
struct MapAreaIndex {
  bool built = false;
  double originX = 0, originNegY = 0;  // the bounds' smallest X and negated Y when it was built
  int32_t columns = 0, rows = 0;
  double cellWidth = 1, cellHeight = 1;  // in map units
  // Cell (column, row) is number row * columns + column. Its segments are
  // segmentIds[segmentStart[c], segmentStart[c + 1]), its points likewise.
  std::vector<int64_t> segmentStart;
  std::vector<int32_t> segmentIds;
  std::vector<int64_t> pointStart;
  std::vector<int32_t> pointIds;
  std::vector<int32_t> wideSegments;  // in no cell's list: part of every query's answer, ascending
  bool pointsOutside = false;         // some point lies beyond the grid (bounds stale after a failed load)
};
extern MapAreaIndex mapAreaIndex;

struct LoadProgress;

// How large the index may grow; lowered by tests to reach the limits with
// small maps.
struct AreaIndexLimits {
  int64_t entriesPerItem = 4;  // list entries per vertex pair and point, at most
  int32_t mostCellsPerSide = 1024;
};

// Builds the index now (when it is not built), so that the first query
// finds it ready. With progress, its cancel is checked as the lists are
// filled and raises ELoadCancelled, leaving the index unbuilt.
void BuildMapAreaIndex(LoadProgress* progress = nullptr, const AreaIndexLimits& limits = {});

// The index of the tables as they are, over the given bounds (those of the
// road graph built with them), built aside from mapAreaIndex: what a load
// on a worker builds, for the window's thread to put in place. A cancel
// through progress raises ELoadCancelled.
MapAreaIndex IndexMapArea(const Bounds& bounds, LoadProgress* progress = nullptr,
                          const AreaIndexLimits& limits = {});

// Forgets the index; the next query builds it again.
void DropMapAreaIndex();

// The indices of the segments and of the points that may lie in the box
// from (x0, negY0) to (x1, negY1), in map units: every one that does, and
// some near it; each once, in ascending order. Builds the index first when
// it is not built.
void SegmentsInArea(double x0, double negY0, double x1, double negY1, std::vector<int32_t>& out);
void PointsInArea(double x0, double negY0, double x1, double negY1, std::vector<int32_t>& out);

// Whether every point lies within the grid, so that the rings below find
// the nearest point exactly. Builds the index first when it is not built.
bool PointsWithinGrid();

// For finding the point nearest to (x, negY) ring by ring: the indices of the
// points in the cells at Chebyshev distance ring from the cell of (x, negY)
// (ring 0 is that cell itself), in no particular order. False when the ring
// lies wholly outside the grid, so that every point has been handed out.
// While PointsWithinGrid, any point of ring r or beyond lies at least
// PointRingGap(x, negY, r) map units from (x, negY).
bool PointsInRing(double x, double negY, int32_t ring, std::vector<int32_t>& out);
double PointRingGap(double x, double negY, int32_t ring);
