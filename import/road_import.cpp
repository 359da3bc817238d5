#include "import/road_import.h"

#include <gdal.h>

#include <algorithm>
#include <limits>

#include "import/import_error.h"
#include "import/map_projection.h"
#include "import/progress.h"
#include "import/road_network.h"

namespace {

// The box around every junction and vertex of the network.
void Bounds(const RoadNetwork& network, ImportReport& report) {
  int64_t minX = std::numeric_limits<int64_t>::max(), minY = minX;
  int64_t maxX = std::numeric_limits<int64_t>::min(), maxY = maxX;
  const auto widen = [&](const MapPosition& p) {
    minX = std::min<int64_t>(minX, p.x);
    minY = std::min<int64_t>(minY, p.y);
    maxX = std::max<int64_t>(maxX, p.x);
    maxY = std::max<int64_t>(maxY, p.y);
  };
  for (const Junction& j : network.junctions) widen(j.at);
  for (const RoadSegment& s : network.segments)
    for (const MapPosition& v : s.vertices) widen(v);
  if (minX > maxX) return;  // an empty network
  report.minX = minX;
  report.minY = minY;
  report.maxX = maxX;
  report.maxY = maxY;
}

}  // namespace

ImportReport ImportRoads(const ImportSettings& settings) {
  GDALAllRegister();
  const QuietGdalErrors quiet;
  Progress progress(!settings.quiet);
  const SourceLayer source = ReadSourceLines(settings.query, progress);
  const MapProjection projection(source);

  std::vector<ProjectedLine> lines;
  std::vector<std::string> names;
  lines.reserve(source.lines.size());
  names.reserve(source.lines.size());
  for (const SourceLine& line : source.lines) {
    lines.push_back(projection.Project(line));
    names.push_back(line.name);
    progress.Update("projecting lines", static_cast<int64_t>(lines.size()),
                    static_cast<int64_t>(source.lines.size()));
  }
  progress.Update("finding junctions", 0, -1);
  const RoadNetwork network = BuildRoadNetwork(lines, names, settings.snap);
  progress.Finish();
  CheckMapCapacity(network);

  ImportReport report;
  report.source = source.description;
  report.sourceSystem = projection.SourceName();
  report.mapSystem = projection.MapName();
  report.junctions = static_cast<int64_t>(network.junctions.size());
  report.segments = static_cast<int64_t>(network.segments.size());
  for (const RoadSegment& s : network.segments) report.totalLength += s.length;
  Bounds(network, report);
  report.features = source.features;
  report.withoutLines = source.withoutLines;
  report.emptyLines = source.emptyLines;
  report.collapsedLines = network.collapsedLines;
  report.outputs = settings.outputs;

  WriteMapFiles(network, projection.CoordSys(report.minX, report.minY, report.maxX, report.maxY),
                settings.outputs);
  return report;
}

void PrintImportReport(const ImportReport& r, std::FILE* out) {
  std::fprintf(out,
               "source: %s\n"
               "source coordinates: %s\n"
               "map coordinates: %s\n"
               "junctions: %lld\n"
               "segments: %lld\n"
               "total road length: %lld m\n"
               "bounds: %lld %lld %lld %lld\n"
               "skipped: %lld of %lld features without line geometry, %lld empty lines, %lld lines collapsed "
               "to a point\n"
               "written: %s, %s, %s, %s\n",
               r.source.c_str(), r.sourceSystem.c_str(), r.mapSystem.c_str(),
               static_cast<long long>(r.junctions), static_cast<long long>(r.segments),
               static_cast<long long>(r.totalLength), static_cast<long long>(r.minX),
               static_cast<long long>(r.minY), static_cast<long long>(r.maxX), static_cast<long long>(r.maxY),
               static_cast<long long>(r.withoutLines), static_cast<long long>(r.features),
               static_cast<long long>(r.emptyLines), static_cast<long long>(r.collapsedLines),
               r.outputs[0].c_str(), r.outputs[1].c_str(), r.outputs[2].c_str(), r.outputs[3].c_str());
}
