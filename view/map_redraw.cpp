#include "view/map_redraw.h"

#include <algorithm>
#include <vector>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "toolkit/graphics.h"
#include "view/map_painting.h"
#include "view/map_transform.h"
#include "view/picture_memory.h"

namespace {

constexpr int kTile = 16;

ViewKey KeyOf(const Painting& painting) {
  return {painting.view, painting.lines, painting.points, graphGeneration};
}

// The items in one of two sorted lists and not in the other.
std::vector<int32_t> Changed(const std::vector<int32_t>& before, const std::vector<int32_t>& now) {
  std::vector<int32_t> changed;
  std::set_symmetric_difference(before.begin(), before.end(), now.begin(), now.end(),
                                std::back_inserter(changed));
  return changed;
}

// The tiles of the image that need painting again.
class DirtyTiles {
 public:
  explicit DirtyTiles(const MapView& view)
      : width_(view.width),
        columns_((view.width + kTile - 1) / kTile),
        dirty_(columns_ * ((view.height + kTile - 1) / kTile)) {}

  void Add(const PixelRect& box) {
    if (box.right <= box.left || box.bottom <= box.top) return;
    for (int row = box.top / kTile; row <= (box.bottom - 1) / kTile; ++row)
      for (int column = box.left / kTile; column <= (box.right - 1) / kTile; ++column)
        dirty_[row * columns_ + column] = 1;
  }

  // Paints every run of dirty tiles along a row of tiles as one rectangle.
  void Paint(const Painting& painting) const {
    const int rows = columns_ == 0 ? 0 : static_cast<int>(dirty_.size()) / columns_;
    for (int row = 0; row < rows; ++row) {
      for (int column = 0; column < columns_;) {
        if (!dirty_[row * columns_ + column]) {
          ++column;
          continue;
        }
        const int first = column;
        while (column < columns_ && dirty_[row * columns_ + column]) ++column;
        PaintRect(painting, {first * kTile, row * kTile, std::min(column * kTile, width_),
                             std::min((row + 1) * kTile, painting.view.height)});
      }
    }
  }

 private:
  int32_t width_;
  int columns_;
  std::vector<uint8_t> dirty_;
};

}  // namespace

void RecordDrawnView(const Painting& painting) {
  PictureMemory& drawn = *painting.memory;
  drawn.valid = true;
  drawn.key = KeyOf(painting);
  drawn.start = startPoint;
  drawn.current = currentPoint;
  drawn.pointerX = painting.view.pointerX;
  drawn.pointerY = painting.view.pointerY;
  drawn.routeSegments = painting.route.Segments();
  drawn.routePoints = painting.route.Points();
}

void ForgetDrawnView(PictureMemory& memory) { memory.valid = false; }

bool RedrawChanges(const Painting& painting) {
  PictureMemory& drawn = *painting.memory;
  if (!drawn.valid || !(drawn.key == KeyOf(painting))) return false;
  const std::vector<int32_t>& routeSegments = painting.route.Segments();
  const std::vector<int32_t>& routePoints = painting.route.Points();
  const std::vector<int32_t> segmentsChanged = Changed(drawn.routeSegments, routeSegments);
  const std::vector<int32_t> pointsChanged = Changed(drawn.routePoints, routePoints);
  // An end mark with nothing before it in the whole-map pass is outlined
  // with the pen the last painting left, which may have changed since.
  const bool endMarksFollowThePen = painting.points && (EndMarkTakesPenAtStart(painting, startPoint) ||
                                                        EndMarkTakesPenAtStart(painting, currentPoint));
  // The recolouring below must not paint over the grey mark, whose kept
  // pixels would then be stale.
  EraseCursorMark(painting);
  if (!segmentsChanged.empty() || !pointsChanged.empty() || drawn.start != startPoint ||
      drawn.current != currentPoint || endMarksFollowThePen) {
    if (painting.lines)
      for (const int32_t i : segmentsChanged) RecolourOwnedPixelsOfSegment(painting, i);
    if (painting.points) {
      for (const int32_t j : pointsChanged) RecolourOwnedPixelsOfPoint(painting, j);
      // The end marks' outlines follow the pen the whole-map pass has at
      // them, which any change may alter: they are painted again in full.
      std::vector<PixelRect> boxes;
      for (const int32_t j : {drawn.start, drawn.current, startPoint, currentPoint})
        AppendBoxesOfPoint(j, painting.view, boxes);
      DirtyTiles tiles(painting.view);
      for (const PixelRect& box : boxes) tiles.Add(box);
      tiles.Paint(painting);
    }
    LeaveWholeMapPenAndBrush(painting);
  }
  DrawCursorMark(painting);
  drawn.start = startPoint;
  drawn.current = currentPoint;
  drawn.pointerX = painting.view.pointerX;
  drawn.pointerY = painting.view.pointerY;
  drawn.routeSegments = routeSegments;
  drawn.routePoints = routePoints;
  return true;
}
