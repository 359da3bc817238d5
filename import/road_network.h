#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/map_projection.h"

// A position of the map, in whole metres.
struct MapPosition {
  int32_t x, y;
  bool operator==(const MapPosition& o) const { return x == o.x && y == o.y; }
};

// A junction: where roads end or meet. Its code is its index + 1.
struct Junction {
  MapPosition at;
  std::vector<std::string> roadNames;  // the distinct names of the roads meeting here, in order
};

// A road between two junctions, with every vertex between them.
struct RoadSegment {
  int32_t from, to;  // junction codes
  int64_t length;    // whole metres
  std::vector<MapPosition> vertices;
  std::string name;
  int8_t oneway = 0;     // 0 both ways, 1 only from `from` to `to`, -1 only the other way
  int64_t duration = 0;  // tenths of a second; 0 without a speed
};

// The road network of a map: junctions numbered by first appearance in the
// source, and the segments between them in source order.
struct RoadNetwork {
  std::vector<Junction> junctions;
  std::vector<RoadSegment> segments;
  int64_t collapsedLines = 0;  // lines that rounded to a single position
  int64_t joinedEnds = 0;      // line ends that --snap joined to another line
};

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
// rounded, and which keeps its line's name and direction; with a speed, its
// duration is that length, unrounded, driven at the speed, rounded to a
// tenth of a second (the largest int64_t beyond it). About linear in the number of
// vertices. Raises ImportError for a coordinate that does not fit 32 bits.
RoadNetwork BuildRoadNetwork(const std::vector<ProjectedLine>& lines, const std::vector<RoadTraits>& traits,
                             double snap);
