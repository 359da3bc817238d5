#include "view/road_labels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Pieces whose directions differ by less than this from a stretch's first
// piece continue the stretch.
constexpr double kStraightTolerance = 12 * kPi / 180;
// Room left free between the name and each end of its stretch.
constexpr double kEndRoom = 4;
// Boxes closer than this count as overlapping.
constexpr double kClearance = 0.5;
// The longest stretches tried per road, and where along each.
constexpr size_t kStretchesTried = 6;
constexpr std::array<double, 3> kPositionsAlong = {0.5, 0.3, 0.7};
// The side of the grid cells that find the names near a box.
constexpr double kCell = 32;

// A nearly straight stretch of a road: its first and last vertex.
struct Stretch {
  TPointF from, to;
  double length;
};

double Distance(TPointF a, TPointF b) { return std::hypot(b.x - a.x, b.y - a.y); }

// The angle between two directions, each in (-pi, pi], in [0, pi].
double AngleBetween(double a, double b) {
  const double d = std::fabs(a - b);
  return d > kPi ? 2 * kPi - d : d;
}

// Appends the stretches of one polyline: each runs from a vertex as far as
// its pieces keep close to the direction of its first piece of some length.
void AppendStretches(const TPointF* first, const TPointF* end, std::vector<Stretch>& stretches) {
  const TPointF* from = first;
  while (from + 1 < end) {
    const TPointF* to = from + 1;
    double direction = 0;
    bool hasDirection = false;
    for (; to < end; ++to) {
      const TPointF a = to[-1], b = *to;
      if (Distance(a, b) < 1) continue;
      const double d = std::atan2(b.y - a.y, b.x - a.x);
      if (!hasDirection) {
        direction = d;
        hasDirection = true;
      } else if (AngleBetween(d, direction) > kStraightTolerance) {
        break;
      }
    }
    const TPointF* last = to - 1;
    stretches.push_back({*from, *last, Distance(*from, *last)});
    from = last;
  }
}

// The road's polylines joined where one ends where another starts or ends
// (segments of one road meet at junctions), so that a name may run across
// a junction.
std::vector<std::vector<TPointF>> JoinedLines(const LabelRoad& road, const LabelLines& lines) {
  const auto endOf = [&](uint32_t k) {
    return k + 1 < lines.starts.size() ? lines.starts[k + 1] : lines.vertices.size();
  };
  std::map<std::pair<double, double>, std::vector<uint32_t>> atEnd;
  for (uint32_t k = road.firstLine; k < road.endLine; ++k) {
    const TPointF a = lines.vertices[lines.starts[k]], b = lines.vertices[endOf(k) - 1];
    atEnd[{a.x, a.y}].push_back(k);
    atEnd[{b.x, b.y}].push_back(k);
  }
  std::vector<bool> used(road.endLine - road.firstLine);
  // Appends to chain an unused line that touches its last vertex, turned to
  // run on from there; false when there is none.
  const auto extend = [&](std::vector<TPointF>& chain) {
    for (const uint32_t k : atEnd[{chain.back().x, chain.back().y}]) {
      if (used[k - road.firstLine]) continue;
      used[k - road.firstLine] = true;
      const auto first = lines.vertices.begin() + lines.starts[k], end = lines.vertices.begin() + endOf(k);
      if (first->x == chain.back().x && first->y == chain.back().y) {
        chain.insert(chain.end(), first + 1, end);
      } else {
        chain.insert(chain.end(), std::make_reverse_iterator(end) + 1, std::make_reverse_iterator(first));
      }
      return true;
    }
    return false;
  };
  std::vector<std::vector<TPointF>> chains;
  for (uint32_t k = road.firstLine; k < road.endLine; ++k) {
    if (used[k - road.firstLine]) continue;
    used[k - road.firstLine] = true;
    std::vector<TPointF> chain(lines.vertices.begin() + lines.starts[k], lines.vertices.begin() + endOf(k));
    while (extend(chain)) {
    }
    std::reverse(chain.begin(), chain.end());
    while (extend(chain)) {
    }
    chains.push_back(std::move(chain));
  }
  return chains;
}

// A box's centre and its half axes.
struct Box {
  TPointF centre;
  TPointF halfAlong, halfAcross;
};

Box BoxOf(const PlacedLabel& label) {
  const double c = std::cos(label.angle), s = std::sin(label.angle);
  return {label.centre,
          {c * label.width / 2, s * label.width / 2},
          {-s * label.height / 2, c * label.height / 2}};
}

// The half extent of a box projected on the unit axis.
double Reach(const Box& box, TPointF axis) {
  return std::fabs(box.halfAlong.x * axis.x + box.halfAlong.y * axis.y) +
         std::fabs(box.halfAcross.x * axis.x + box.halfAcross.y * axis.y);
}

// Whether two boxes come closer than kClearance: on none of the four axes
// of their sides are their projections that far apart.
bool Overlap(const Box& a, const Box& b) {
  const TPointF gap{b.centre.x - a.centre.x, b.centre.y - a.centre.y};
  for (const Box* box : {&a, &b}) {
    for (const TPointF half : {box->halfAlong, box->halfAcross}) {
      const double length = std::hypot(half.x, half.y);
      if (length == 0) continue;
      const TPointF axis{half.x / length, half.y / length};
      if (std::fabs(gap.x * axis.x + gap.y * axis.y) >= Reach(a, axis) + Reach(b, axis) + kClearance)
        return false;
    }
  }
  return true;
}

// The names placed so far, found by the grid cells their boxes touch.
class PlacedNames {
 public:
  PlacedNames(double width, double height)
      : columns_(static_cast<int>(width / kCell) + 1),
        rows_(static_cast<int>(height / kCell) + 1),
        cells_(static_cast<size_t>(columns_) * rows_) {}

  bool Fits(const Box& box) const {
    bool fits = true;
    ForEachCell(box, [&](std::vector<size_t>& cell) {
      for (const size_t k : cell) fits = fits && !Overlap(box, boxes_[k]);
    });
    return fits;
  }

  void Add(const Box& box) {
    ForEachCell(box, [&](std::vector<size_t>& cell) { cell.push_back(boxes_.size()); });
    boxes_.push_back(box);
  }

 private:
  // Calls visit with each cell the box (grown by the clearance) touches; the
  // box lies inside the image.
  template <typename Visit>
  void ForEachCell(const Box& box, Visit visit) const {
    const double reachX = Reach(box, {1, 0}) + kClearance, reachY = Reach(box, {0, 1}) + kClearance;
    const auto cell = [](double v, int count) {
      return std::clamp(static_cast<int>(v / kCell), 0, count - 1);
    };
    for (int row = cell(box.centre.y - reachY, rows_); row <= cell(box.centre.y + reachY, rows_); ++row)
      for (int column = cell(box.centre.x - reachX, columns_);
           column <= cell(box.centre.x + reachX, columns_); ++column)
        visit(cells_[static_cast<size_t>(row) * columns_ + column]);
  }

  int columns_, rows_;
  mutable std::vector<std::vector<size_t>> cells_;
  std::vector<Box> boxes_;
};

bool InsideImage(const Box& box, double width, double height) {
  const double reachX = Reach(box, {1, 0}), reachY = Reach(box, {0, 1});
  return box.centre.x - reachX >= 0 && box.centre.x + reachX <= width && box.centre.y - reachY >= 0 &&
         box.centre.y + reachY <= height;
}

// The reading angle of a line from a to b: its direction, turned half round
// where it would read upside down.
double ReadingAngle(TPointF a, TPointF b) {
  double angle = std::atan2(b.y - a.y, b.x - a.x);
  if (angle > kPi / 2) angle -= kPi;
  if (angle <= -kPi / 2) angle += kPi;
  return angle;
}

}  // namespace

std::vector<PlacedLabel> PlaceRoadLabels(const std::vector<LabelRoad>& roads, const LabelLines& lines,
                                         double width, double height) {
  std::vector<PlacedLabel> placed;
  if (!(width > 0 && height > 0)) return placed;
  PlacedNames names(width, height);
  std::vector<Stretch> stretches;
  for (uint32_t r = 0; r < roads.size(); ++r) {
    const LabelRoad& road = roads[r];
    stretches.clear();
    for (const std::vector<TPointF>& chain : JoinedLines(road, lines))
      AppendStretches(chain.data(), chain.data() + chain.size(), stretches);
    const double room = road.width / 2 + kEndRoom;
    const auto longer = [](const Stretch& a, const Stretch& b) { return a.length > b.length; };
    const size_t tried = std::min(stretches.size(), kStretchesTried);
    std::partial_sort(stretches.begin(), stretches.begin() + tried, stretches.end(), longer);
    bool done = false;
    for (size_t s = 0; s < tried && !done && stretches[s].length >= 2 * room; ++s) {
      const Stretch& stretch = stretches[s];
      for (const double t : kPositionsAlong) {
        if (t * stretch.length < room || (1 - t) * stretch.length < room) continue;
        const PlacedLabel label{r,
                                {stretch.from.x + t * (stretch.to.x - stretch.from.x),
                                 stretch.from.y + t * (stretch.to.y - stretch.from.y)},
                                ReadingAngle(stretch.from, stretch.to),
                                road.width,
                                road.height};
        const Box box = BoxOf(label);
        if (!InsideImage(box, width, height) || !names.Fits(box)) continue;
        names.Add(box);
        placed.push_back(label);
        done = true;
        break;
      }
    }
  }
  return placed;
}
