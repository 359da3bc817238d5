#include "map/area_index.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "map/load_cancelled.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "map/run_together.h"

MapAreaIndex mapAreaIndex;

namespace {

// About this many items (segments and points) a cell.
constexpr int64_t kItemsPerCell = 2;

// The cells a box covers, clamped to the grid.
struct CellRange {
  int32_t column0, column1, row0, row1;
};

// The cell offset / side falls in, clamped to [0, count); 0 for NaN. Within
// the grid the quotient is not negative, so that truncating it gives its
// floor in one instruction where floor itself takes a dozen.
int32_t ClampedCell(double offset, double side, int32_t count) {
  const double cell = offset / side;
  if (!(cell >= 0)) return 0;
  return cell >= count ? count - 1 : static_cast<int32_t>(cell);
}

CellRange CellsOf(const MapAreaIndex& index, double x0, double negY0, double x1, double negY1) {
  return {ClampedCell(std::min(x0, x1) - index.originX, index.cellWidth, index.columns),
          ClampedCell(std::max(x0, x1) - index.originX, index.cellWidth, index.columns),
          ClampedCell(std::min(negY0, negY1) - index.originNegY, index.cellHeight, index.rows),
          ClampedCell(std::max(negY0, negY1) - index.originNegY, index.cellHeight, index.rows)};
}

// The cell of one position: CellsOf(index, x, negY, x, negY), its first
// column and row, found with half the divisions.
int32_t CellOf(const MapAreaIndex& index, double x, double negY) {
  return ClampedCell(negY - index.originNegY, index.cellHeight, index.rows) * index.columns +
         ClampedCell(x - index.originX, index.cellWidth, index.columns);
}

template <typename Visit>
void ForEachCell(const MapAreaIndex& index, const CellRange& range, Visit visit) {
  for (int32_t row = range.row0; row <= range.row1; ++row)
    for (int32_t column = range.column0; column <= range.column1; ++column)
      visit(row * index.columns + column);
}

// The number of cells a range covers.
int64_t CellCount(const CellRange& range) {
  return int64_t{range.column1 - range.column0 + 1} * (range.row1 - range.row0 + 1);
}

// The column and row of the cell a vertex lies in, clamped to the grid.
struct VertexCell {
  int32_t column, row;
};

[[gnu::always_inline]] inline VertexCell CellOfVertex(const MapAreaIndex& index, const TPoint& p) {
  return {ClampedCell(p.x - index.originX, index.cellWidth, index.columns),
          ClampedCell(NegateY(p.y) - index.originNegY, index.cellHeight, index.rows)};
}

// Calls visit with the cells each pair of consecutive vertices of segment j
// covers, pair by pair. A pair covers the cells between its vertices'
// cells: as a cell grows with its offset, the cell of the smaller end is
// the smaller cell, so each vertex's cell is found once, not once a pair.
template <typename Visit>
void ForEachPairRange(const MapAreaIndex& index, int32_t j, Visit visit) {
  const DynamicArray<TPoint>& v = segments[j].Vertices;
  if (v.Length() < 2) return;
  VertexCell previous = CellOfVertex(index, v[0]);
  for (int32_t k = 1; k < v.Length(); ++k) {
    const VertexCell next = CellOfVertex(index, v[k]);
    visit(CellRange{std::min(previous.column, next.column), std::max(previous.column, next.column),
                    std::min(previous.row, next.row), std::max(previous.row, next.row)});
    previous = next;
  }
}

// The cells each pair of consecutive vertices of segment j covers, into
// ranges; returns what listing the segment can cost: their cells counted
// per pair (a cell two pairs share counts twice).
int64_t PairRanges(const MapAreaIndex& index, int32_t j, std::vector<CellRange>& ranges) {
  ranges.clear();
  int64_t cost = 0;
  ForEachPairRange(index, j, [&](const CellRange& range) {
    ranges.push_back(range);
    cost += CellCount(range);
  });
  return cost;
}

// The one cell all of ranges cover, when they cover one only; else -1.
int32_t SoleCell(const MapAreaIndex& index, const std::vector<CellRange>& ranges) {
  if (ranges.empty()) return -1;
  const CellRange& first = ranges.front();
  for (const CellRange& range : ranges) {
    if (range.column0 != first.column0 || range.column1 != first.column0 || range.row0 != first.row0 ||
        range.row1 != first.row0)
      return -1;
  }
  return first.row0 * index.columns + first.column0;
}

// Calls visit with every cell of segment j's pair ranges, each cell once.
template <typename Visit>
void ForEachCellOfRanges(const MapAreaIndex& index, int32_t j, const std::vector<CellRange>& ranges,
                         std::vector<int32_t>& lastSegment, Visit visit) {
  for (const CellRange& range : ranges) {
    ForEachCell(index, range, [&](int32_t cell) {
      if (lastSegment[cell] == j) return;
      lastSegment[cell] = j;
      visit(cell);
    });
  }
}

// Calls visit with every cell that a pair of consecutive vertices of segment
// j overlaps, each cell once.
template <typename Visit>
void ForEachCellOfSegment(const MapAreaIndex& index, int32_t j, std::vector<int32_t>& lastSegment,
                          Visit visit) {
  ForEachPairRange(index, j, [&](const CellRange& range) {
    ForEachCell(index, range, [&](int32_t cell) {
      if (lastSegment[cell] == j) return;
      lastSegment[cell] = j;
      visit(cell);
    });
  });
}

// Sizes the grid for about kItemsPerCell items a cell, shaped like the map.
void ShapeGrid(MapAreaIndex& index, const Bounds& bounds, const AreaIndexLimits& limits) {
  const double width = std::max(static_cast<double>(bounds.maxX) - bounds.minX, 1.0);
  const double height = std::max(static_cast<double>(bounds.maxNegY) - bounds.minNegY, 1.0);
  const double cells = std::max<double>(1, (int64_t{segmentCount} + pointCount) / kItemsPerCell);
  const auto side = [&limits](double count) {
    return static_cast<int32_t>(std::clamp<double>(std::round(count), 1, limits.mostCellsPerSide));
  };
  index.originX = bounds.minX;
  index.originNegY = bounds.minNegY;
  index.columns = side(std::sqrt(cells * width / height));
  index.rows = side(std::sqrt(cells * height / width));
  index.cellWidth = width / index.columns;
  index.cellHeight = height / index.rows;
}

// Checks for a cancel once in this many segments or points.
constexpr int32_t kCancelStride = 1 << 16;

// Runs part(0, 0, half) on a second thread and part(1, half, count) on
// this one, both cores building the index: each half knows its number,
// also when one of them is empty.
template <typename Part>
void InTwoHalves(int32_t count, Part part) {
  const int32_t half = count / 2;
  RunTogether([&] { part(0, 0, half); }, [&] { part(1, half, count); });
}

// One half of the segment table as the index counts it: what its segments
// cost the budget of WideSegments, those costlier than their share listed
// with their costs, and the entries each cell's list takes from the others.
struct alignas(64) HalfOfSegments {  // a cache line of its own: each half is written by its own core
  struct Costly {
    int32_t j;
    int64_t cost;
  };
  int64_t budget = 0;
  std::vector<Costly> costly;
  std::vector<int64_t> counts;       // per cell; then where the half's next entry goes
  std::vector<int32_t> lastSegment;  // per cell, the last segment that visited it
  std::vector<CellRange> ranges;     // the cells of the pairs of the segment at hand

  explicit HalfOfSegments(size_t cells) : counts(cells), lastSegment(cells, -1) {}

  // Counts the segments from begin to end, in one pass over their pairs:
  // a segment within its pairs' share is always listed, so its cells are
  // counted at once; a costlier one waits for WideSegments. soleCell[j]
  // becomes the cell of segment j when it is counted at once and lies in
  // one cell only, else -1.
  void Count(const MapAreaIndex& index, const AreaIndexLimits& limits, int32_t begin, int32_t end,
             std::vector<int32_t>& soleCell, LoadProgress* progress) {
    for (int32_t j = begin; j < end; ++j) {
      if (j % kCancelStride == 0) CheckCancel(progress);
      const int64_t cost = PairRanges(index, j, ranges);
      const int64_t share = limits.entriesPerItem * std::max(segments[j].Vertices.Length() - 1, 0);
      soleCell[j] = -1;
      if (cost <= share) {
        budget += share - cost;
        soleCell[j] = SoleCell(index, ranges);
        if (soleCell[j] >= 0) {
          ++counts[soleCell[j]];
        } else {
          ForEachCellOfRanges(index, j, ranges, lastSegment, [this](int32_t cell) { ++counts[cell]; });
        }
      } else {
        budget += share;
        costly.push_back({j, cost});
      }
    }
  }

  void CountCells(const MapAreaIndex& index, int32_t j) {
    ForEachCellOfSegment(index, j, lastSegment, [this](int32_t cell) { ++counts[cell]; });
  }
};

// The segments to leave to the wide list, ascending, within a budget of
// entriesPerItem per vertex pair and point (less one per point for the
// point lists). A segment within its own pairs' share is always listed, so
// these take at most their share; the rest of the budget goes to the others
// in table order, and a segment that would pass it is wide. The cells of
// the costly segments that stay listed are counted into their half.
std::vector<int32_t> WideSegments(const MapAreaIndex& index, const AreaIndexLimits& limits,
                                  std::array<HalfOfSegments, 2>& halves) {
  int64_t budget =
      limits.entriesPerItem * int64_t{pointCount} - pointCount + halves[0].budget + halves[1].budget;
  std::vector<int32_t> wide;
  for (HalfOfSegments& half : halves) {
    for (const HalfOfSegments::Costly& c : half.costly) {
      if (c.cost > budget) {
        wide.push_back(c.j);
      } else {
        budget -= c.cost;
        half.CountCells(index, c.j);
      }
    }
  }
  return wide;
}

// The start of each cell's list, for the entries both halves of a table
// counted ([start[c], start[c + 1]), the first half's entries first); the
// counts become where each half fills its entries from.
std::vector<int64_t> StartsOfLists(std::vector<int64_t>& first, std::vector<int64_t>& second) {
  std::vector<int64_t> start(first.size() + 1, 0);
  for (size_t c = 0; c < first.size(); ++c) {
    start[c + 1] = start[c] + first[c] + second[c];
    second[c] = start[c] + first[c];
    first[c] = start[c];
  }
  return start;
}

// Calls visit with every segment from begin to end that is not wide, in
// table order.
template <typename Visit>
void ForEachListedSegment(const std::vector<int32_t>& wide, int32_t begin, int32_t end,
                          LoadProgress* progress, Visit visit) {
  size_t nextWide = static_cast<size_t>(std::lower_bound(wide.begin(), wide.end(), begin) - wide.begin());
  for (int32_t j = begin; j < end; ++j) {
    if (j % kCancelStride == 0) CheckCancel(progress);
    if (nextWide < wide.size() && wide[nextWide] == j) {
      ++nextWide;
    } else {
      visit(j);
    }
  }
}

// The segment lists in compressed form, of every segment not wide, so that
// building takes time within the budget too. Each half of the table is
// counted and filled on its own core, the first half's entries of a cell
// before the second's: the lists in table order, as one pass makes them.
// Most segments lie in one cell, which the count notes, so that the fill
// looks at their vertices no more.
void IndexSegments(MapAreaIndex& index, const AreaIndexLimits& limits, LoadProgress* progress) {
  const size_t cells = static_cast<size_t>(index.columns) * index.rows;
  std::array<HalfOfSegments, 2> halves{HalfOfSegments(cells), HalfOfSegments(cells)};
  std::vector<int32_t> soleCell;
  ResizeOnBothCores(static_cast<size_t>(segmentCount), soleCell);
  InTwoHalves(segmentCount, [&](int h, int32_t begin, int32_t end) {
    halves[h].Count(index, limits, begin, end, soleCell, progress);
  });
  index.wideSegments = WideSegments(index, limits, halves);
  index.segmentStart = StartsOfLists(halves[0].counts, halves[1].counts);
  ResizeOnBothCores(static_cast<size_t>(index.segmentStart.back()), index.segmentIds);
  InTwoHalves(segmentCount, [&](int h, int32_t begin, int32_t end) {
    HalfOfSegments& half = halves[h];
    std::fill(half.lastSegment.begin(), half.lastSegment.end(), -1);
    ForEachListedSegment(index.wideSegments, begin, end, progress, [&](int32_t j) {
      const auto list = [&](int32_t cell) { index.segmentIds[half.counts[cell]++] = j; };
      if (soleCell[j] >= 0) return list(soleCell[j]);
      ForEachCellOfSegment(index, j, half.lastSegment, list);
    });
  });
}

// The point lists, each half of the table counted and filled on its own
// core as the segments' are.
void IndexPoints(MapAreaIndex& index, LoadProgress* progress) {
  const size_t cells = static_cast<size_t>(index.columns) * index.rows;
  std::vector<int32_t> cellOf;
  ResizeOnBothCores(static_cast<size_t>(pointCount), cellOf);
  std::vector<int64_t> counts[2] = {std::vector<int64_t>(cells), std::vector<int64_t>(cells)};
  bool outside[2] = {false, false};
  InTwoHalves(pointCount, [&](int h, int32_t begin, int32_t end) {
    for (int32_t i = begin; i < end; ++i) {
      if (i % kCancelStride == 0) CheckCancel(progress);
      const int32_t negY = NegateY(points[i].Y);
      outside[h] |= points[i].X < index.originX ||
                    points[i].X > index.originX + index.columns * index.cellWidth ||
                    negY < index.originNegY || negY > index.originNegY + index.rows * index.cellHeight;
      cellOf[i] = CellOf(index, points[i].X, negY);
      ++counts[h][cellOf[i]];
    }
  });
  index.pointsOutside = outside[0] || outside[1];
  index.pointStart = StartsOfLists(counts[0], counts[1]);
  ResizeOnBothCores(static_cast<size_t>(pointCount), index.pointIds);
  InTwoHalves(pointCount, [&](int h, int32_t begin, int32_t end) {
    for (int32_t i = begin; i < end; ++i) index.pointIds[counts[h][cellOf[i]]++] = i;
  });
}

const MapAreaIndex& BuiltIndex() {
  BuildMapAreaIndex();
  return mapAreaIndex;
}

// The ids that the lists of the cells the box covers hold, and those of
// always, sorted, each once.
void IdsInArea(const std::vector<int64_t>& start, const std::vector<int32_t>& ids,
               const std::vector<int32_t>& always, double x0, double negY0, double x1, double negY1,
               std::vector<int32_t>& out) {
  const MapAreaIndex& index = BuiltIndex();
  out.assign(always.begin(), always.end());
  ForEachCell(index, CellsOf(index, x0, negY0, x1, negY1), [&](int32_t cell) {
    out.insert(out.end(), ids.begin() + start[cell], ids.begin() + start[cell + 1]);
  });
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

}  // namespace

void DropMapAreaIndex() { mapAreaIndex = MapAreaIndex(); }

MapAreaIndex IndexMapArea(const Bounds& bounds, LoadProgress* progress, const AreaIndexLimits& limits) {
  MapAreaIndex index;
  ShapeGrid(index, bounds, limits);
  IndexSegments(index, limits, progress);
  IndexPoints(index, progress);
  index.built = true;
  return index;
}

void BuildMapAreaIndex(LoadProgress* progress, const AreaIndexLimits& limits) {
  if (!mapAreaIndex.built) mapAreaIndex = IndexMapArea({minX, minNegY, maxX, maxNegY}, progress, limits);
}

void SegmentsInArea(double x0, double negY0, double x1, double negY1, std::vector<int32_t>& out) {
  const MapAreaIndex& index = BuiltIndex();
  IdsInArea(index.segmentStart, index.segmentIds, index.wideSegments, x0, negY0, x1, negY1, out);
}

void PointsInArea(double x0, double negY0, double x1, double negY1, std::vector<int32_t>& out) {
  const MapAreaIndex& index = BuiltIndex();
  IdsInArea(index.pointStart, index.pointIds, {}, x0, negY0, x1, negY1, out);
}

bool PointsWithinGrid() { return !BuiltIndex().pointsOutside; }

bool PointsInRing(double x, double negY, int32_t ring, std::vector<int32_t>& out) {
  const MapAreaIndex& index = BuiltIndex();
  const CellRange centre = CellsOf(index, x, negY, x, negY);
  const int32_t column0 = centre.column0 - ring, column1 = centre.column0 + ring;
  const int32_t row0 = centre.row0 - ring, row1 = centre.row0 + ring;
  if (column0 < 0 && row0 < 0 && column1 >= index.columns && row1 >= index.rows) return false;
  out.clear();
  const auto add = [&](int32_t column, int32_t row) {
    if (column < 0 || column >= index.columns || row < 0 || row >= index.rows) return;
    const int32_t cell = row * index.columns + column;
    out.insert(out.end(), index.pointIds.begin() + index.pointStart[cell],
               index.pointIds.begin() + index.pointStart[cell + 1]);
  };
  if (ring == 0) {
    add(centre.column0, centre.row0);
    return true;
  }
  for (int32_t column = column0; column <= column1; ++column) {
    add(column, row0);
    add(column, row1);
  }
  for (int32_t row = row0 + 1; row < row1; ++row) {
    add(column0, row);
    add(column1, row);
  }
  return true;
}

// Between a position and any cell r rings from the position's cell lie at
// least r - 1 whole cells along one axis; a position beyond the grid, whose
// cell is the nearest one at the edge, is besides as far from every cell as
// from the grid, the two distances at right angles: a cell r rings away
// along the axis that leaves the grid is r cells farther than the grid's
// edge, one r rings away across it r - 1 cells to the side.
double PointRingGap(double x, double negY, int32_t ring) {
  const MapAreaIndex& index = BuiltIndex();
  const auto outside = [](double at, double low, double high) {
    return std::max({low - at, at - high, 0.0});
  };
  const double beyond =
      std::hypot(outside(x, index.originX, index.originX + index.columns * index.cellWidth),
                 outside(negY, index.originNegY, index.originNegY + index.rows * index.cellHeight));
  return std::hypot(beyond, std::max(ring - 1, 0) * std::min(index.cellWidth, index.cellHeight));
}
