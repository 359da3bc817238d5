#include "import/road_network.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "import/import_error.h"

namespace {

uint64_t KeyOf(MapPosition p) {
  return static_cast<uint64_t>(static_cast<uint32_t>(p.x)) << 32 | static_cast<uint32_t>(p.y);
}

// A line rounded to whole metres, without consecutive repeated positions;
// along[k] is the length in metres of the projected line up to at[k], and
// unitsPerMetre how many map units a metre on the ground is along it.
struct RoundedLine {
  std::vector<MapPosition> at;
  std::vector<double> along;
  size_t source;
  double unitsPerMetre = 1;
};

// How many map units a metre on the ground is along the line: its length
// in the map over its length measured on the ground; 1 when either is 0.
double UnitsPerMetre(const ProjectedLine& line) {
  double units = 0;
  for (size_t k = 1; k < line.x.size(); ++k)
    units += std::hypot(line.x[k] - line.x[k - 1], line.y[k] - line.y[k - 1]);
  const double metres = line.along.empty() ? 0 : line.along.back();
  return units > 0 && metres > 0 ? units / metres : 1;
}

int32_t RoundToMetre(double value) {
  const double rounded = std::round(value);
  if (!(rounded >= std::numeric_limits<int32_t>::min() && rounded <= std::numeric_limits<int32_t>::max()))
    throw ImportError("a coordinate of " + std::to_string(value) + " metres does not fit the map's 32 bits");
  return static_cast<int32_t>(rounded);
}

// Drops every vertex that repeats the one before it.
void DropRepeats(RoundedLine& line) {
  size_t kept = 0;
  for (size_t k = 0; k < line.at.size(); ++k) {
    if (kept > 0 && line.at[k] == line.at[kept - 1]) continue;
    line.at[kept] = line.at[k];
    line.along[kept] = line.along[k];
    ++kept;
  }
  line.at.resize(kept);
  line.along.resize(kept);
}

// Drops repeated vertices, then the lines left with one position, which
// are counted.
void DropCollapsed(std::vector<RoundedLine>& lines, int64_t& collapsed) {
  size_t kept = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    DropRepeats(lines[i]);
    if (lines[i].at.size() < 2) {
      ++collapsed;
    } else {
      if (kept != i) lines[kept] = std::move(lines[i]);
      ++kept;
    }
  }
  lines.resize(kept);
}

std::vector<RoundedLine> RoundLines(const std::vector<ProjectedLine>& lines, int64_t& collapsed) {
  std::vector<RoundedLine> rounded(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    rounded[i].source = i;
    rounded[i].along = lines[i].along;
    rounded[i].unitsPerMetre = UnitsPerMetre(lines[i]);
    rounded[i].at.reserve(lines[i].x.size());
    for (size_t k = 0; k < lines[i].x.size(); ++k)
      rounded[i].at.push_back({RoundToMetre(lines[i].x[k]), RoundToMetre(lines[i].y[k])});
  }
  DropCollapsed(rounded, collapsed);
  return rounded;
}

// The point of a line nearest to a position: on the piece from vertex k to
// vertex k + 1, at the fraction t of its way.
struct NearestPoint {
  size_t line = 0, k = 0;
  double t = 0;
};

// The pieces of the lines (from one vertex to the next) in square cells at
// least as wide as the snapping distance, for finding the nearest point of
// another line within it by looking at the few cells around a position.
// A piece is entered in every cell it may cross; an entry whose piece has
// since changed is passed over, and the changed pieces are entered again.
class PieceGrid {
 public:
  // reach: the widest snapping distance, in map units.
  PieceGrid(const std::vector<RoundedLine>& lines, double reach) : lines_(lines) {
    double length = 0;
    size_t pieces = 0;
    for (const RoundedLine& line : lines) {
      pieces += line.at.size() - 1;
      for (size_t k = 0; k + 1 < line.at.size(); ++k) length += Distance(line.at[k], line.at[k + 1]);
    }
    side_ = std::max({reach, 1.0, pieces ? length / static_cast<double>(pieces) : 0.0});
    for (size_t i = 0; i < lines.size(); ++i) Enter(i, 0, lines[i].at.size() - 1);
  }

  // Enters the pieces first to last - 1 of line i, as they are now.
  void Enter(size_t i, size_t first, size_t last) {
    const std::vector<MapPosition>& at = lines_[i].at;
    for (size_t k = first; k < last; ++k) {
      const double steps = std::ceil(Distance(at[k], at[k + 1]) / side_);
      const Entry entry{i, k, at[k], at[k + 1]};
      for (double s = 0; s < std::max(steps, 1.0); ++s) {
        const double t0 = s / std::max(steps, 1.0), t1 = std::min(1.0, (s + 1) / std::max(steps, 1.0));
        EnterBox(entry, Along(entry, t0), Along(entry, t1));
      }
    }
  }

  // The nearest point within reach map units (at most the grid's) of p on a
  // line other than skip, as the lines are now; false when there is none.
  bool Nearest(MapPosition p, double reach, size_t skip, NearestPoint& found) const {
    double best = reach;
    bool any = false;
    for (int64_t cx = Cell(p.x - reach); cx <= Cell(p.x + reach); ++cx) {
      for (int64_t cy = Cell(p.y - reach); cy <= Cell(p.y + reach); ++cy) {
        const auto cell = cells_.find(Combine(cx, cy));
        if (cell == cells_.end()) continue;
        for (const Entry& e : cell->second) {
          if (e.line == skip || !Current(e)) continue;
          const double t = Closest(e, p);
          const auto [x, y] = Along(e, t);
          const double d = std::hypot(x - p.x, y - p.y);
          if (d > best || (any && d == best)) continue;
          best = d;
          found = {e.line, e.k, t};
          any = true;
        }
      }
    }
    return any;
  }

 private:
  struct Entry {
    size_t line, k;
    MapPosition a, b;
  };

  static double Distance(MapPosition a, MapPosition b) {
    return std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
  }
  static std::pair<double, double> Along(const Entry& e, double t) {
    return {e.a.x + t * (static_cast<double>(e.b.x) - e.a.x),
            e.a.y + t * (static_cast<double>(e.b.y) - e.a.y)};
  }
  // The fraction of the piece's way to its point nearest p.
  static double Closest(const Entry& e, MapPosition p) {
    const double dx = static_cast<double>(e.b.x) - e.a.x, dy = static_cast<double>(e.b.y) - e.a.y;
    const double squared = dx * dx + dy * dy;
    if (squared == 0) return 0;
    return std::clamp(
        ((p.x - static_cast<double>(e.a.x)) * dx + (p.y - static_cast<double>(e.a.y)) * dy) / squared, 0.0,
        1.0);
  }
  bool Current(const Entry& e) const {
    const std::vector<MapPosition>& at = lines_[e.line].at;
    return e.k + 1 < at.size() && at[e.k] == e.a && at[e.k + 1] == e.b;
  }
  void EnterBox(const Entry& entry, std::pair<double, double> from, std::pair<double, double> to) {
    for (int64_t cx = Cell(std::min(from.first, to.first)); cx <= Cell(std::max(from.first, to.first));
         ++cx) {
      for (int64_t cy = Cell(std::min(from.second, to.second)); cy <= Cell(std::max(from.second, to.second));
           ++cy) {
        std::vector<Entry>& cell = cells_[Combine(cx, cy)];
        if (cell.empty() || cell.back().line != entry.line || cell.back().k != entry.k) cell.push_back(entry);
      }
    }
  }
  int64_t Cell(double v) const { return static_cast<int64_t>(std::floor(v / side_)); }
  static uint64_t Combine(int64_t cx, int64_t cy) {
    return static_cast<uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(cy);
  }

  const std::vector<RoundedLine>& lines_;
  double side_ = 1;
  std::unordered_map<uint64_t, std::vector<Entry>> cells_;
};

// The position of the nearest point, rounded to the metre.
MapPosition PositionOf(const std::vector<RoundedLine>& lines, const NearestPoint& n) {
  const MapPosition a = lines[n.line].at[n.k], b = lines[n.line].at[n.k + 1];
  return {static_cast<int32_t>(std::lround(a.x + n.t * (static_cast<double>(b.x) - a.x))),
          static_cast<int32_t>(std::lround(a.y + n.t * (static_cast<double>(b.y) - a.y)))};
}

// Makes q, the position of the nearest point, a vertex of its line: an end
// of its piece already, or a new vertex inserted inside it (its length along
// the line in proportion), whose pieces are then entered in the grid again.
// Returns whether a vertex was inserted.
bool MakeVertex(std::vector<RoundedLine>& lines, const NearestPoint& n, MapPosition q, PieceGrid& grid) {
  RoundedLine& line = lines[n.line];
  if (q == line.at[n.k] || q == line.at[n.k + 1]) return false;
  const auto at = static_cast<std::ptrdiff_t>(n.k + 1);
  line.at.insert(line.at.begin() + at, q);
  line.along.insert(line.along.begin() + at, line.along[n.k] + n.t * (line.along[n.k + 1] - line.along[n.k]));
  grid.Enter(n.line, n.k, line.at.size() - 1);
  return true;
}

// Moves an end of the line to target, measuring the moved piece as it is
// now drawn, and enters that piece in the grid again.
void MoveEnd(RoundedLine& line, size_t i, bool front, MapPosition target, PieceGrid& grid) {
  std::vector<MapPosition>& at = line.at;
  const size_t n = at.size();
  (front ? at.front() : at.back()) = target;
  const auto metres = [&line](size_t k) {
    return std::hypot(static_cast<double>(line.at[k + 1].x) - line.at[k].x,
                      static_cast<double>(line.at[k + 1].y) - line.at[k].y) /
           line.unitsPerMetre;
  };
  if (front) {
    const double shift = metres(0) - (line.along[1] - line.along[0]);
    for (size_t k = 1; k < n; ++k) line.along[k] += shift;
  } else {
    line.along[n - 1] = line.along[n - 2] + metres(n - 2);
  }
  grid.Enter(i, front ? 0 : n - 2, front ? 1 : n - 1);
}

// Joins each line end in turn to the nearest point within snap metres on
// the ground on another line (see BuildRoadNetwork); returns how many ends
// were joined. An end stays where it is when its move would put both ends
// of its line on one point. Lines that then repeat positions are tidied as
// after rounding.
int64_t SnapEnds(std::vector<RoundedLine>& lines, double snap, int64_t& collapsed) {
  double widest = 1;
  for (const RoundedLine& line : lines) widest = std::max(widest, line.unitsPerMetre);
  PieceGrid grid(lines, snap * widest);
  int64_t joined = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    for (const bool front : {true, false}) {
      NearestPoint nearest;
      const MapPosition end = front ? lines[i].at.front() : lines[i].at.back();
      const MapPosition other = front ? lines[i].at.back() : lines[i].at.front();
      if (!grid.Nearest(end, snap * lines[i].unitsPerMetre, i, nearest)) continue;
      const MapPosition target = PositionOf(lines, nearest);
      if (target == other) continue;  // the line would collapse
      const bool inserted = MakeVertex(lines, nearest, target, grid);
      if (target == end && !inserted) continue;  // already a vertex there
      MoveEnd(lines[i], i, front, target, grid);
      ++joined;
    }
  }
  DropCollapsed(lines, collapsed);
  return joined;
}

// How often lines pass a position, whether a line ends there, and the code
// of the junction there (0 until numbered).
struct PositionUse {
  int32_t passes = 0;
  bool end = false;
  int32_t code = 0;
  bool IsJunction() const { return end || passes >= 2; }
};

}  // namespace

int32_t RoadNames::Add(std::string_view name) {
  if (name.empty()) return 0;
  text_ += name;
  starts_.push_back(text_.size());
  return static_cast<int32_t>(starts_.size() - 2);
}

int64_t TenthsOfSecond(double metres, double kmh) {
  const double tenths = std::round(std::max(0.0, metres) * 36 / kmh);
  return tenths < 9e18 ? static_cast<int64_t>(tenths) : std::numeric_limits<int64_t>::max();
}

RoadNetwork BuildRoadNetwork(const std::vector<ProjectedLine>& lines, const std::vector<RoadTraits>& traits,
                             double snap) {
  RoadNetwork network;
  std::vector<RoundedLine> rounded = RoundLines(lines, network.collapsedLines);
  if (snap > 0) network.joinedEnds = SnapEnds(rounded, snap, network.collapsedLines);

  size_t vertices = 0;
  for (const RoundedLine& line : rounded) vertices += line.at.size();
  std::unordered_map<uint64_t, PositionUse> uses;
  uses.reserve(vertices);
  for (const RoundedLine& line : rounded) {
    for (const MapPosition& p : line.at) ++uses[KeyOf(p)].passes;
    uses[KeyOf(line.at.front())].end = true;
    uses[KeyOf(line.at.back())].end = true;
  }

  // Each line cut at its junctions, which are numbered as they first appear.
  const auto codeAt = [&](PositionUse& use, MapPosition p) {
    if (use.code == 0) {
      network.junctions.push_back(p);
      use.code = static_cast<int32_t>(network.junctions.size());
    }
    return use.code;
  };
  for (const RoundedLine& line : rounded) {
    const int32_t name = network.names.Add(traits[line.source].name);
    size_t start = 0;
    int32_t startCode = codeAt(uses[KeyOf(line.at[0])], line.at[0]);  // a line end: a junction
    for (size_t k = 1; k < line.at.size(); ++k) {
      PositionUse& use = uses[KeyOf(line.at[k])];
      if (!use.IsJunction()) continue;
      RoadSegment segment;
      segment.from = startCode;
      segment.to = codeAt(use, line.at[k]);
      const double along = line.along[k] - line.along[start];
      segment.length = std::max<int64_t>(0, std::llround(along));
      segment.firstVertex = network.vertices.size();
      network.vertices.insert(network.vertices.end(), line.at.begin() + static_cast<std::ptrdiff_t>(start),
                              line.at.begin() + static_cast<std::ptrdiff_t>(k) + 1);
      const RoadTraits& road = traits[line.source];
      segment.name = name;
      segment.oneway = road.oneway;
      segment.roadClass = road.roadClass;
      if (road.speed > 0) segment.duration = TenthsOfSecond(along, road.speed);
      start = k;
      startCode = segment.to;
      network.segments.push_back(segment);
    }
  }
  return network;
}
