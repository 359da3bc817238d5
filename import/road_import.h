#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "import/import_module.h"
#include "import/map_files.h"
#include "import/map_limits.h"
#include "import/source_reader.h"

// What an import built, for its report.
struct ImportReport {
  std::string reader;  // GDAL or libosmium
  std::string source, sourceSystem, mapSystem, mapNote;
  int64_t junctions = 0, segments = 0, totalLength = 0;
  int64_t minX = 0, minY = 0, maxX = 0, maxY = 0;
  int64_t features = 0, withoutLines = 0, emptyLines = 0, collapsedLines = 0, joinedEnds = 0;
  std::string profile;                      // the profile that chose the lines
  int64_t keptLines = 0, leftOutLines = 0;  // lines the profile kept and left out
  int64_t onewaySegments = 0;               // segments usable one way only
  bool defaultSpeedUsed = false;            // whether lines may take the default speed
  double defaultSpeedKmh = 0;
  int64_t defaultSpeedLines = 0;                     // lines that took it
  int64_t untransformable = 0;                       // features skipped as they cannot be transformed
  std::vector<std::string> untransformableFirst;     // the first few of them: feature id and reason
  int64_t cutWays = 0;                               // ways cut where the file lacks nodes
  int64_t barriersPassed = 0, barriersBlocking = 0;  // barrier nodes on kept ways
  int64_t restrictionsRead = 0, restrictionsWritten = 0;
  std::string restrictionsSkipped;       // how many were skipped and why, as text
  bool restrictionLayerRemoved = false;  // an earlier T layer went
  MapFilePaths outputs;
};

// Reads the source's lines that the request's profile keeps, maps them to
// whole metres, builds the road network among them, joining ends within
// the request's snapping distance (an OpenStreetMap file read with
// libosmium for the car, bike and foot profiles without --where, --layer,
// --snap and --source-crs, its network built from the ways' shared nodes,
// with barriers and turn restrictions: see BuildOsmNetwork), checks that it fits a map within limits
// and writes the map's files (the T layer's only with restrictions), with the Oneway, Duration and Class
// columns when the profile gives directions, speeds and classes. A feature with a vertex that
// cannot be transformed is skipped and counted. Raises, having written
// nothing, ImportUsageError for a request that is wrong usage (a snapping
// distance not above 0 or beyond 1,000 metres, a box whose minimum passes
// its maximum, see also CheckTravelOptions), and ImportError when any step
// fails, when every feature with lines fails, and when no road segment is
// left.
ImportReport ImportRoads(const RuvelImportRequest& request, const MapLimits& limits = MapLimits());

// Prints the report: the source layer and its coordinate system, the map's
// coordinate system, junctions, segments, total road length, bounds, what
// was skipped, the profile with the lines it kept and left out, the one-way
// segments and the lines at the default speed, the ends --snap joined and
// any note on the map's system.
void PrintImportReport(const ImportReport& report, std::FILE* out);
