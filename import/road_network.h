#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "import/map_projection.h"
#include "map/road_class.h"

// A position of the map, in whole metres.
struct MapPosition {
  int32_t x, y;
  bool operator==(const MapPosition& o) const { return x == o.x && y == o.y; }
};

// Road names held one after another in one text, so that a country's
// millions of them cost little more than their bytes; each is named by the
// index Add gave it, 0 being the empty name.
class RoadNames {
 public:
  // Adds a name (the empty one is always there) and returns its index.
  int32_t Add(std::string_view name);
  std::string_view operator[](int32_t i) const {
    const auto at = static_cast<size_t>(i);
    return std::string_view(text_).substr(starts_[at], starts_[at + 1] - starts_[at]);
  }

 private:
  std::string text_;
  std::vector<size_t> starts_{0, 0};  // name i from starts_[i] up to starts_[i + 1]
};

// A road between two junctions. Its vertices, every one from its `from`
// junction's position to its `to` junction's, lie in the network's vertices
// from firstVertex up to the next segment's firstVertex.
struct RoadSegment {
  int32_t from = 0, to = 0;  // junction codes
  int32_t name = 0;          // index into the network's names
  int8_t oneway = 0;         // 0 both ways, 1 only from `from` to `to`, -1 only the other way
  RoadClass roadClass = RoadClass::kMinor;
  int64_t length = 0;    // whole metres
  int64_t duration = 0;  // tenths of a second; 0 without a speed
  size_t firstVertex = 0;
};

// The road network of a map, held flat so that a country's fits in memory:
// junction c (its code) at junctions[c - 1], the segments in the order they
// are written, their vertices one after another, and the distinct road
// names, names[0] the empty one. A junction's names are those of the
// segments that meet it, as the map's files write them.
struct RoadNetwork {
  std::vector<MapPosition> junctions;
  std::vector<RoadSegment> segments;
  std::vector<MapPosition> vertices;
  RoadNames names;
  int64_t collapsedLines = 0;  // lines that rounded to a single position
  int64_t joinedEnds = 0;      // line ends that --snap joined to another line

  // The vertices of segment s: its first, and one past its last.
  const MapPosition* VerticesBegin(size_t s) const { return vertices.data() + segments[s].firstVertex; }
  const MapPosition* VerticesEnd(size_t s) const {
    return vertices.data() + (s + 1 < segments.size() ? segments[s + 1].firstVertex : vertices.size());
  }
};

// The time to drive metres (0 or more) at km/h, in tenths of a second,
// rounded; the largest int64_t for a time beyond it.
int64_t TenthsOfSecond(double metres, double kmh);

// Nodes the lines into the network of a map (noding: finding where lines
// meet and splitting them there), the lines given in the map's coordinates
// with their roads' traits (traits[i] for lines[i]). Coordinates are rounded to the
// nearest metre and consecutive repeated positions dropped; a line left
// with a single position is dropped and counted. A junction is every end of
// a line and every position that two or more lines share or that one line
// passes more than once. With snap > 0, each line end in turn joins the
// nearest point within snap metres on the ground on another line, as the
// lines are then (a junction, a vertex, or a point inside a piece of line,
// rounded to the metre, which becomes a vertex of that line and so a
// junction that splits it): the end moves there and the piece it ends is
// measured as drawn, unless the move would put both ends of its line on one
// point, when it stays. Metres on the ground are map units scaled by each
// line's own ratio of its length in the map to its measured length. Every
// line is split at its junctions, each piece a segment from the junction
// nearer the line's start, whose length is the line's length between them,
// rounded, and which keeps its line's name, direction and class; with a speed, its
// duration is that length, unrounded, driven at the speed, rounded to a
// tenth of a second (the largest int64_t beyond it). About linear in the number of
// vertices. Raises ImportError for a coordinate that does not fit 32 bits.
RoadNetwork BuildRoadNetwork(const std::vector<ProjectedLine>& lines, const std::vector<RoadTraits>& traits,
                             double snap);
