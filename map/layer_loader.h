#pragma once

#include <cstdint>
#include <string>

#include "map/road_graph.h"
#include "map/turn_restrictions.h"

struct LoadProgress;

// What one map may hold; the loader refuses a map beyond these while it
// reads, at the line that crosses the limit: MAP_ITEM_LIMIT points and
// segments, and VertexBound of the S layer's .mif file's size for the
// vertices its Pline lines declare together.
constexpr int64_t VERTEX_FLOOR = 16777216;

// The most vertices the Pline lines of an S layer .mif file of the given size
// may declare together: the larger of VERTEX_FLOOR and what the file can
// hold (a vertex line has at least 4 bytes), below 2^31. A hostile count on a
// small file thus cannot take memory beyond what the file's size justifies.
int64_t VertexBound(int64_t segmentFileSize);

// Reads the map whose M layer geometry is fileName into the (empty) map store
// and builds the road graph; returns the map's turn restrictions. The other
// files are named from it: the same name with ".mid", and both again with
// the name's first character replaced by "S" (Mtown.mif: Mtown.mid,
// Stown.mif, Stown.mid), and by "T" for the optional T layer; a derived
// name that does not exist as written is looked up ignoring letter case. A
// file that cannot be opened, or that is not a regular file, is skipped.
// A malformed number, a negative road length or duration, or a one-way value
// other than -1, 0 and 1 raises EConvertError, a surplus attribute row
// DynArrayOutOfRange, a map beyond the limits above or a failing read
// Exception, and memory running out EOutOfMemory; each leaves at once with
// the file's name and line number in front of its message, with what was
// stored so far kept (counts equal to the tables' lengths), the remaining
// files unread and the graph not rebuilt.
//
// The T layer is read after the M and S layers, when both of its files
// open and its .mif file declares the T layer's columns (see
// ReadRestrictionGeometry); otherwise, or when it has no rows, the map has
// no turn restrictions. Its rows are refused as ReadRestrictionAttributes
// says, as the other layers' are: nothing of it is returned, the M and S
// layers stay stored and the graph is not rebuilt.
//
// All six files are opened before any is read. With progress, the load
// reports the files' total size and the bytes read as it goes, and the
// phase; a cancel there is obeyed within about a megabyte and during the
// graph build, raising ELoadCancelled (map/load_cancelled.h) with the store
// left to be cleared by the caller and the graph not rebuilt.
//
// An S layer's .mid file is read in parts of about rowPartBytes by both
// threads of a load; tests lower it to cut small files into many parts.
constexpr int64_t kSegmentRowPartBytes = int64_t{4} << 20;
TurnRestrictions LoadMapLayers(std::string fileName, LoadProgress* progress = nullptr,
                               int64_t rowPartBytes = kSegmentRowPartBytes);

// What a load builds aside from the store's tables: the road graph with its
// bounds, and the map's turn restrictions, which belong to that graph.
struct LoadedMap {
  RoadGraph graph;
  TurnRestrictions restrictions;
};

// LoadMapLayers for a store emptied by ClearMapStore (which also ends any
// kept search and drops the area index), touching nothing else: reads the
// tables the same way and returns the road graph and bounds built aside,
// with the turn restrictions, leaving the program-wide ones as they were
// for the caller to install (InstallRoadGraph) where no search or drawing
// may be reading them. It fails as LoadMapLayers does.
LoadedMap LoadMapTables(std::string fileName, LoadProgress* progress = nullptr,
                        int64_t rowPartBytes = kSegmentRowPartBytes);
