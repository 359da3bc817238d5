#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "import/map_files.h"
#include "import/source_reader.h"

// What `ruvel-route import` does, besides where it reads and writes.
struct ImportSettings {
  SourceQuery query;
  MapFilePaths outputs;
  double snap = 0;     // metres; 0 for none
  bool quiet = false;  // no progress shown
};

// What an import built, for its report.
struct ImportReport {
  std::string source, sourceSystem, mapSystem;
  int64_t junctions = 0, segments = 0, totalLength = 0;
  int64_t minX = 0, minY = 0, maxX = 0, maxY = 0;
  int64_t features = 0, withoutLines = 0, emptyLines = 0, collapsedLines = 0;
  MapFilePaths outputs;
};

// Reads the source's lines, maps them to whole metres, builds the road
// network, checks that it fits a map and writes the map's four files.
// Raises ImportError, having written nothing, when any step fails.
ImportReport ImportRoads(const ImportSettings& settings);

// Prints the report: the source layer and its coordinate system, the map's
// coordinate system, junctions, segments, total road length, bounds, and
// what was skipped.
void PrintImportReport(const ImportReport& report, std::FILE* out);
