#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/osm_reader.h"
#include "import/road_network.h"
#include "import/turn_restrictions.h"

class MapProjection;
class Progress;

// The road network made of the roads of an OpenStreetMap file, with its
// turn restrictions and what the report says of it.
struct OsmNetwork {
  RoadNetwork network;
  std::vector<RestrictionRow> restrictions;
  int64_t keptWays = 0;                           // ways with a segment in the map
  int64_t cutWays = 0;                            // ways cut where the file lacks their nodes
  int64_t untransformable = 0;                    // ways left out as a node cannot be placed in the map
  std::vector<std::string> untransformableFirst;  // the first few of them: way id and reason
};

// Builds the network of the roads, in the map's coordinates that the
// projection chooses for them (a WGS 84 UTM zone), from the ways' node ids:
// a junction is a node that two or more ways use, or one way twice, or a
// way's end, or a blocking barrier; a segment is the piece of a way between
// two junctions, its vertices the nodes between, rounded to the metre
// without a position repeated just after itself, its length geodesic. A
// blocking barrier is a junction of its own for each segment that meets it,
// numbered as the others by first appearance, so that no route passes it.
// Nodes at one position stay apart, and ways that cross without a shared
// node are not joined. A way is cut where the file lacks its nodes, its
// pieces kept apart, and counted. With a box (min lon, min lat, max lon, max
// lat), only the ways whose line meets it are kept. A way with a node that
// cannot be placed in the map is left out and counted; a way whose nodes all
// round to one position is dropped as collapsed. Junctions are numbered and
// segments ordered as the ways come in the file. Frees the roads' arrays as
// it goes.
OsmNetwork BuildOsmNetwork(OsmRoads& roads, MapProjection& projection, const double* box, Progress& progress);
