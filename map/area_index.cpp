#include "map/area_index.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "map/load_cancelled.h"
#include "map/map_store.h"
#include "map/road_graph.h"

MapAreaIndex mapAreaIndex;

namespace {

// About this many items (segments and points) a cell.
constexpr int64_t kItemsPerCell = 2;

// The cells a box covers, clamped to the grid.
struct CellRange {
  int32_t column0, column1, row0, row1;
};

int32_t ClampedCell(double offset, double side, int32_t count) {
  const double cell = std::floor(offset / side);
  return cell < 0 ? 0 : cell >= count ? count - 1 : static_cast<int32_t>(cell);
}

CellRange CellsOf(const MapAreaIndex& index, double x0, double negY0, double x1, double negY1) {
  return {ClampedCell(std::min(x0, x1) - index.originX, index.cellWidth, index.columns),
          ClampedCell(std::max(x0, x1) - index.originX, index.cellWidth, index.columns),
          ClampedCell(std::min(negY0, negY1) - index.originNegY, index.cellHeight, index.rows),
          ClampedCell(std::max(negY0, negY1) - index.originNegY, index.cellHeight, index.rows)};
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

CellRange PairCells(const MapAreaIndex& index, const TPoint& a, const TPoint& b) {
  return CellsOf(index, a.x, NegateY(a.y), b.x, NegateY(b.y));
}

// The cells segment j's pairs of consecutive vertices cover, counted per
// pair (a cell two pairs share counts twice): what listing it can cost.
int64_t SegmentCellCost(const MapAreaIndex& index, int32_t j) {
  const DynamicArray<TPoint>& v = segments[j].Vertices;
  int64_t cost = 0;
  for (int32_t k = 1; k < v.Length(); ++k) cost += CellCount(PairCells(index, v[k - 1], v[k]));
  return cost;
}

// Calls visit with every cell that a pair of consecutive vertices of segment
// j overlaps, each cell once.
template <typename Visit>
void ForEachCellOfSegment(const MapAreaIndex& index, int32_t j, std::vector<int32_t>& lastSegment,
                          Visit visit) {
  const DynamicArray<TPoint>& v = segments[j].Vertices;
  for (int32_t k = 1; k < v.Length(); ++k) {
    ForEachCell(index, PairCells(index, v[k - 1], v[k]), [&](int32_t cell) {
      if (lastSegment[cell] == j) return;
      lastSegment[cell] = j;
      visit(cell);
    });
  }
}

// Sizes the grid for about kItemsPerCell items a cell, shaped like the map.
void ShapeGrid(MapAreaIndex& index, const AreaIndexLimits& limits) {
  const double width = std::max(static_cast<double>(maxX) - minX, 1.0);
  const double height = std::max(static_cast<double>(maxNegY) - minNegY, 1.0);
  const double cells = std::max<double>(1, (int64_t{segmentCount} + pointCount) / kItemsPerCell);
  const auto side = [&limits](double count) {
    return static_cast<int32_t>(std::clamp<double>(std::round(count), 1, limits.mostCellsPerSide));
  };
  index.originX = minX;
  index.originNegY = minNegY;
  index.columns = side(std::sqrt(cells * width / height));
  index.rows = side(std::sqrt(cells * height / width));
  index.cellWidth = width / index.columns;
  index.cellHeight = height / index.rows;
}

// Checks for a cancel once in this many segments or points.
constexpr int32_t kCancelStride = 1 << 16;

// The segments to leave to the wide list, ascending, within a budget of
// entriesPerItem per vertex pair and point (less one per point for the
// point lists). A segment within its own pairs' share is always listed, so
// these take at most their share; the rest of the budget goes to the others
// in table order, and a segment that would pass it is wide. Costs are
// counted per pair, without visiting a cell.
std::vector<int32_t> WideSegments(const MapAreaIndex& index, const AreaIndexLimits& limits,
                                  LoadProgress* progress) {
  struct Costly {
    int32_t j;
    int64_t cost;
  };
  std::vector<Costly> costly;
  int64_t budget = limits.entriesPerItem * int64_t{pointCount} - pointCount;
  for (int32_t j = 0; j < segmentCount; ++j) {
    if (j % kCancelStride == 0) CheckCancel(progress);
    const int64_t cost = SegmentCellCost(index, j);
    const int64_t share = limits.entriesPerItem * std::max(segments[j].Vertices.Length() - 1, 0);
    budget += share - (cost <= share ? cost : 0);
    if (cost > share) costly.push_back({j, cost});
  }
  std::vector<int32_t> wide;
  for (const Costly& c : costly) {
    if (c.cost > budget) {
      wide.push_back(c.j);
    } else {
      budget -= c.cost;
    }
  }
  return wide;
}

// Calls visit with every segment that is not wide, in table order.
template <typename Visit>
void ForEachListedSegment(const std::vector<int32_t>& wide, LoadProgress* progress, Visit visit) {
  size_t nextWide = 0;
  for (int32_t j = 0; j < segmentCount; ++j) {
    if (j % kCancelStride == 0) CheckCancel(progress);
    if (nextWide < wide.size() && wide[nextWide] == j) {
      ++nextWide;
    } else {
      visit(j);
    }
  }
}

// The segment lists in compressed form, of every segment not wide, so that
// building takes time within the budget too.
void IndexSegments(MapAreaIndex& index, const AreaIndexLimits& limits, LoadProgress* progress) {
  const size_t cells = static_cast<size_t>(index.columns) * index.rows;
  index.wideSegments = WideSegments(index, limits, progress);
  std::vector<int32_t> lastSegment(cells, -1);
  index.segmentStart.assign(cells + 1, 0);
  ForEachListedSegment(index.wideSegments, progress, [&](int32_t j) {
    ForEachCellOfSegment(index, j, lastSegment, [&](int32_t cell) { ++index.segmentStart[cell + 1]; });
  });
  for (size_t c = 0; c < cells; ++c) index.segmentStart[c + 1] += index.segmentStart[c];
  index.segmentIds.resize(static_cast<size_t>(index.segmentStart.back()));
  std::vector<int64_t> fill(index.segmentStart.begin(), index.segmentStart.end() - 1);
  std::fill(lastSegment.begin(), lastSegment.end(), -1);
  ForEachListedSegment(index.wideSegments, progress, [&](int32_t j) {
    ForEachCellOfSegment(index, j, lastSegment, [&](int32_t cell) { index.segmentIds[fill[cell]++] = j; });
  });
}

void IndexPoints(MapAreaIndex& index, LoadProgress* progress) {
  const size_t cells = static_cast<size_t>(index.columns) * index.rows;
  std::vector<int32_t> cellOf(static_cast<size_t>(pointCount));
  index.pointStart.assign(cells + 1, 0);
  index.pointsOutside = false;
  for (int32_t i = 0; i < pointCount; ++i) {
    if (i % kCancelStride == 0) CheckCancel(progress);
    const int32_t negY = NegateY(points[i].Y);
    index.pointsOutside |= points[i].X < index.originX ||
                           points[i].X > index.originX + index.columns * index.cellWidth ||
                           negY < index.originNegY || negY > index.originNegY + index.rows * index.cellHeight;
    const CellRange at = CellsOf(index, points[i].X, negY, points[i].X, negY);
    cellOf[i] = at.row0 * index.columns + at.column0;
    ++index.pointStart[cellOf[i] + 1];
  }
  for (size_t c = 0; c < cells; ++c) index.pointStart[c + 1] += index.pointStart[c];
  index.pointIds.resize(static_cast<size_t>(pointCount));
  std::vector<int64_t> fill(index.pointStart.begin(), index.pointStart.end() - 1);
  for (int32_t i = 0; i < pointCount; ++i) index.pointIds[fill[cellOf[i]]++] = i;
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

void BuildMapAreaIndex(LoadProgress* progress, const AreaIndexLimits& limits) {
  if (mapAreaIndex.built) return;
  MapAreaIndex index;
  ShapeGrid(index, limits);
  IndexSegments(index, limits, progress);
  IndexPoints(index, progress);
  index.built = true;
  mapAreaIndex = std::move(index);
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
// least r - 1 whole cells along one axis, also for a position beyond the
// grid, whose cell is the nearest one at the edge.
double PointRingGap(int32_t ring) {
  const MapAreaIndex& index = BuiltIndex();
  return std::max(ring - 1, 0) * std::min(index.cellWidth, index.cellHeight);
}
