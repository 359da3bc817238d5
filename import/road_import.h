#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "import/map_files.h"
#include "import/map_limits.h"
#include "import/source_reader.h"

// What `ruvel-route import` does, besides where it reads and writes.
struct ImportSettings {
  SourceQuery query;
  MapFilePaths outputs;
  double snap = 0;     // metres, at most 1,000; 0 for none
  bool quiet = false;  // no progress shown
  MapLimits limits;    // what the map may hold
};

// What an import built, for its report.
struct ImportReport {
  std::string source, sourceSystem, mapSystem, mapNote;
  int64_t junctions = 0, segments = 0, totalLength = 0;
  int64_t minX = 0, minY = 0, maxX = 0, maxY = 0;
  int64_t features = 0, withoutLines = 0, emptyLines = 0, collapsedLines = 0, joinedEnds = 0;
  std::string profile;                            // the profile that chose the lines
  int64_t keptLines = 0, leftOutLines = 0;        // lines the profile kept and left out
  int64_t onewaySegments = 0;                     // segments usable one way only
  bool defaultSpeedUsed = false;                  // whether lines may take the default speed
  double defaultSpeed = 0;                        // km/h
  int64_t defaultSpeedLines = 0;                  // lines that took it
  int64_t untransformable = 0;                    // features skipped as they cannot be transformed
  std::vector<std::string> untransformableFirst;  // the first few of them: feature id and reason
  MapFilePaths outputs;
};

// Reads the source's lines that the travel request's profile keeps, maps
// them to whole metres, builds the road network among them, checks that it
// fits a map and writes the map's four files, with the Oneway and Duration
// columns when the profile gives directions and speeds. A feature with a
// vertex that cannot be transformed is skipped and counted.
// Raises ImportError, having written nothing, when any step fails, when
// every feature with lines fails, and when no road segment is left.
ImportReport ImportRoads(const ImportSettings& settings);

// Prints the report: the source layer and its coordinate system, the map's
// coordinate system, junctions, segments, total road length, bounds, what
// was skipped, the profile with the lines it kept and left out, the one-way
// segments and the lines at the default speed, the ends --snap joined and
// any note on the map's system.
void PrintImportReport(const ImportReport& report, std::FILE* out);
