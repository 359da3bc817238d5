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
// original[k] is the index in the projected line of the vertex at[k].
struct RoundedLine {
  std::vector<MapPosition> at;
  std::vector<size_t> original;
  size_t source;
};

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
    line.original[kept] = line.original[k];
    ++kept;
  }
  line.at.resize(kept);
  line.original.resize(kept);
}

std::vector<RoundedLine> RoundLines(const std::vector<ProjectedLine>& lines, int64_t& collapsed) {
  std::vector<RoundedLine> rounded;
  rounded.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    RoundedLine line{{}, {}, i};
    line.at.reserve(lines[i].x.size());
    line.original.reserve(lines[i].x.size());
    for (size_t k = 0; k < lines[i].x.size(); ++k) {
      line.at.push_back({RoundToMetre(lines[i].x[k]), RoundToMetre(lines[i].y[k])});
      line.original.push_back(k);
    }
    DropRepeats(line);
    if (line.at.size() < 2)
      ++collapsed;
    else
      rounded.push_back(std::move(line));
  }
  return rounded;
}

// Positions in square cells of a given side, for finding the nearest one
// within that distance of a position by looking at its cell and the eight
// around it.
class PositionGrid {
 public:
  explicit PositionGrid(double side) : side_(side) {}

  void Add(MapPosition p, size_t owner) { cells_[CellOf(p.x, p.y)].push_back({p, owner}); }

  // The nearest position within distance of p whose owner is not skip (the
  // first added among equally near ones); false when there is none. Owners
  // are line indices; skip may be one that no line has.
  bool Nearest(MapPosition p, double distance, size_t skip, MapPosition& found) const {
    const int64_t cx = Cell(p.x), cy = Cell(p.y);
    double best = distance * distance;
    bool any = false;
    for (int64_t dx = -1; dx <= 1; ++dx) {
      for (int64_t dy = -1; dy <= 1; ++dy) {
        const auto cell = cells_.find(Combine(cx + dx, cy + dy));
        if (cell == cells_.end()) continue;
        for (const Entry& e : cell->second) {
          const double ex = static_cast<double>(e.at.x) - p.x, ey = static_cast<double>(e.at.y) - p.y;
          const double squared = ex * ex + ey * ey;
          if (e.owner == skip || squared > best || (any && squared == best)) continue;
          best = squared;
          found = e.at;
          any = true;
        }
      }
    }
    return any;
  }

 private:
  struct Entry {
    MapPosition at;
    size_t owner;
  };
  int64_t Cell(int32_t v) const { return static_cast<int64_t>(std::floor(v / side_)); }
  static uint64_t Combine(int64_t cx, int64_t cy) {
    return static_cast<uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(cy);
  }
  uint64_t CellOf(int32_t x, int32_t y) const { return Combine(Cell(x), Cell(y)); }

  double side_;
  std::unordered_map<uint64_t, std::vector<Entry>> cells_;
};

// Moves every line end within snap metres of a junction already placed (an
// earlier end, where it stayed) onto the nearest one, else onto the nearest
// vertex of another line within snap metres, which then becomes a junction;
// an end with neither stays and becomes a junction. Lines that then repeat
// or collapse are tidied as after rounding.
void SnapEnds(std::vector<RoundedLine>& lines, double snap, int64_t& collapsed) {
  constexpr size_t kAnyLine = static_cast<size_t>(-1);
  PositionGrid inner(snap), placed(snap);
  for (size_t i = 0; i < lines.size(); ++i)
    for (size_t k = 1; k + 1 < lines[i].at.size(); ++k) inner.Add(lines[i].at[k], i);
  for (size_t i = 0; i < lines.size(); ++i) {
    for (MapPosition* end : {&lines[i].at.front(), &lines[i].at.back()}) {
      MapPosition target{};
      if (placed.Nearest(*end, snap, kAnyLine, target)) {
        *end = target;
      } else if (inner.Nearest(*end, snap, i, target)) {
        *end = target;
        placed.Add(target, i);
      } else {
        placed.Add(*end, i);
      }
    }
  }
  std::vector<RoundedLine> kept;
  kept.reserve(lines.size());
  for (RoundedLine& line : lines) {
    DropRepeats(line);
    if (line.at.size() < 2)
      ++collapsed;
    else
      kept.push_back(std::move(line));
  }
  lines = std::move(kept);
}

// How often lines pass a position, whether a line ends there, and the code
// of the junction there (0 until numbered).
struct PositionUse {
  int32_t passes = 0;
  bool end = false;
  int32_t code = 0;
  bool IsJunction() const { return end || passes >= 2; }
};

void AddName(Junction& junction, const std::string& name) {
  if (name.empty()) return;
  if (std::find(junction.roadNames.begin(), junction.roadNames.end(), name) == junction.roadNames.end())
    junction.roadNames.push_back(name);
}

}  // namespace

RoadNetwork BuildRoadNetwork(const std::vector<ProjectedLine>& lines, const std::vector<std::string>& names,
                             double snap) {
  RoadNetwork network;
  std::vector<RoundedLine> rounded = RoundLines(lines, network.collapsedLines);
  if (snap > 0) SnapEnds(rounded, snap, network.collapsedLines);

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
      network.junctions.push_back({p, {}});
      use.code = static_cast<int32_t>(network.junctions.size());
    }
    return use.code;
  };
  for (const RoundedLine& line : rounded) {
    const ProjectedLine& projected = lines[line.source];
    size_t start = 0;
    int32_t startCode = codeAt(uses[KeyOf(line.at[0])], line.at[0]);  // a line end: a junction
    for (size_t k = 1; k < line.at.size(); ++k) {
      PositionUse& use = uses[KeyOf(line.at[k])];
      if (!use.IsJunction()) continue;
      RoadSegment segment;
      segment.from = startCode;
      segment.to = codeAt(use, line.at[k]);
      const double along = projected.along[line.original[k]] - projected.along[line.original[start]];
      segment.length = std::max<int64_t>(0, std::llround(along));
      segment.vertices.assign(line.at.begin() + static_cast<std::ptrdiff_t>(start),
                              line.at.begin() + static_cast<std::ptrdiff_t>(k) + 1);
      segment.name = names[line.source];
      AddName(network.junctions[segment.from - 1], segment.name);
      AddName(network.junctions[segment.to - 1], segment.name);
      start = k;
      startCode = segment.to;
      network.segments.push_back(std::move(segment));
    }
  }
  return network;
}
