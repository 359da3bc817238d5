#pragma once

#include <stdio.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "import/map_limits.h"
#include "import/road_network.h"
#include "import/turn_restrictions.h"

// Raises ImportError, naming every count beyond it, when the network does
// not fit a map: more junctions, segments, adjacency entries or vertices
// than the limits allow, or a segment longer or slower than the 32 bits a
// length or duration has.
void CheckMapCapacity(const RoadNetwork& network, const MapLimits& limits);

// The files of a map, in the order the loader reads them: the M layer's
// .mif and .mid, the S layer's .mif and .mid, and the optional T layer's
// (turn restrictions) .mif and .mid.
constexpr size_t kMapFileCount = 6;
using MapFilePaths = std::array<std::string, kMapFileCount>;

// Whether the S layer declares the Oneway, Duration and Class columns.
struct TravelColumns {
  bool oneway = false, duration = false, roadClass = false;
};

// The word the Class column gives for a class: motorway, trunk, primary,
// secondary, tertiary, minor, service or path.
const char* ClassWord(RoadClass roadClass);

// Renames a file as rename(2) does: 0, or -1 with errno set. The map is
// put in place through one, which tests replace by one that fails.
using RenameFile = std::function<int(const char* from, const char* to)>;

// Writes the network as a map: MIF files with a proper header (the given
// CoordSys clause), one Point line per junction (junction c is the c-th),
// one Pline line per segment followed by its vertices, and .mid rows
// `code,"names"` (the distinct names of the segments meeting there, a
// segment's from before its to, in segment order, joined by " / ") and
// `from,to,length,oneway,duration,"name",class`, without the oneway,
// duration and class the columns leave out. Text is quoted with quotes
// doubled, on one line, and cut at a character boundary so that no line
// passes 254 bytes before its line feed. With restrictions, also the T
// layer: a Point at each row's via junction and the rows as
// RestrictionLine gives them; without, an earlier T layer is removed.
// The folder must exist. The files are written under short temporary names
// beside the targets, with the permissions of the files they replace (else
// as any new file), and renamed over them only once all are complete, with
// SIGINT, SIGTERM and SIGHUP held, each earlier file kept aside until all
// renames (and removals) have succeeded and put back when one fails. So a
// failure (ImportError) leaves any earlier map as it was, and whenever the
// import ends, by one of those signals too, the folder holds the whole
// earlier map or the whole new one, and no temporary file. Returns whether
// an earlier T layer file was removed.
bool WriteMapFiles(const RoadNetwork& network, const std::vector<RestrictionRow>& restrictions,
                   const std::string& coordSys, TravelColumns columns, const MapFilePaths& paths,
                   const RenameFile& rename = ::rename);

// Removes the temporary files that an earlier write of the same map left
// (one ended by SIGKILL, say). Only for the holder of the map's lock.
void RemoveLeftoverTemporaries(const MapFilePaths& paths);

// The folder of a file, made with every missing folder above it; while the
// object lives and Keep() was not called, the folders it made are removed
// again (each when empty) when it ends. Raises ImportError when a folder
// cannot be made.
class CreatedFolders {
 public:
  explicit CreatedFolders(const std::string& path);
  ~CreatedFolders();
  CreatedFolders(const CreatedFolders&) = delete;
  CreatedFolders& operator=(const CreatedFolders&) = delete;

  void Keep() { created_.clear(); }

 private:
  void RemoveCreated();
  std::vector<std::string> created_;  // the deepest first
};
