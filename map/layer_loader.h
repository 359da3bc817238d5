#pragma once

#include <cstdint>
#include <string>

#include "map/road_graph.h"

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
// and builds the road graph. The other three files are named from it: the
// same name with ".mid", and both again with the name's first character
// replaced by "S" (Mtown.mif: Mtown.mid, Stown.mif, Stown.mid); a derived
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
// All four files are opened before any is read. With progress, the load
// reports the files' total size and the bytes read as it goes, and the
// phase; a cancel there is obeyed within about a megabyte and during the
// graph build, raising ELoadCancelled (map/load_cancelled.h) with the store
// left to be cleared by the caller and the graph not rebuilt.
//
// An S layer's .mid file is read in parts of about rowPartBytes by both
// threads of a load; tests lower it to cut small files into many parts.
constexpr int64_t kSegmentRowPartBytes = int64_t{4} << 20;
void LoadMapLayers(std::string fileName, LoadProgress* progress = nullptr,
                   int64_t rowPartBytes = kSegmentRowPartBytes);

// LoadMapLayers for a store emptied by ClearMapStore (which also ends any
// kept search and drops the area index), touching nothing else: reads the
// tables the same way and returns the road graph and bounds built aside,
// leaving the program-wide ones as they were for the caller to install
// (InstallRoadGraph) where no search or drawing may be reading them. It
// fails as LoadMapLayers does.
RoadGraph LoadMapTables(std::string fileName, LoadProgress* progress = nullptr,
                        int64_t rowPartBytes = kSegmentRowPartBytes);
