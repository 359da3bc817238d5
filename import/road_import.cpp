#include "import/road_import.h"

#include <ogr_spatialref.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>

#include "import/ending_signals.h"
#include "import/gdal_setup.h"
#include "import/import_error.h"
#include "import/import_request.h"
#include "import/map_projection.h"
#include "import/osm_network.h"
#include "import/osm_reader.h"
#include "import/progress.h"
#include "import/road_network.h"
#include "import/safe_text.h"
#include "import/source_files.h"
#include "map/map_lock.h"

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
  for (const MapPosition& j : network.junctions) widen(j);
  for (const MapPosition& v : network.vertices) widen(v);
  if (minX > maxX) return;  // an empty network
  report.minX = minX;
  report.minY = minY;
  report.maxX = maxX;
  report.maxY = maxY;
}

// How many untransformable features the report names.
constexpr size_t kNamedFailures = 3;
// The largest gap --snap joins, in metres.
constexpr double kLargestSnapMetres = 1000;

// The source's lines on their way to the map, with their roads' traits and
// their features' ids, all three in the same order.
struct ImportedLines {
  std::vector<ProjectedLine> lines;
  std::vector<RoadTraits> traits;
  std::vector<int64_t> features;
};

// Keeps the features (a feature's lines are consecutive) for whose every
// line step(i, reason) holds; each other feature is left out, counted in
// the report and, among the first few, named with the reason.
template <typename Step>
void KeepFeatures(ImportedLines& in, ImportReport& report, Progress& progress, const char* what, Step step) {
  const size_t total = in.lines.size();
  size_t kept = 0;
  for (size_t first = 0, end = 0; first < total; first = end) {
    const int64_t feature = in.features[first];
    std::string reason;
    bool failed = false;
    for (end = first; end < total && in.features[end] == feature; ++end)
      failed = failed || !step(end, reason);
    progress.Update(what, static_cast<int64_t>(end), static_cast<int64_t>(total));
    if (failed) {
      if (report.untransformable++ < static_cast<int64_t>(kNamedFailures))
        report.untransformableFirst.push_back("feature " + std::to_string(feature) + ": " + reason);
      continue;
    }
    for (size_t i = first; i < end; ++i, ++kept) {
      if (kept == i) continue;
      in.lines[kept] = std::move(in.lines[i]);
      in.traits[kept] = std::move(in.traits[i]);
      in.features[kept] = in.features[i];
    }
  }
  in.lines.resize(kept);
  in.traits.resize(kept);
  in.features.resize(kept);
}

// Measures the source's lines, chooses the map's coordinate system from
// those kept and puts them in it; a feature with a vertex that cannot be
// placed is left out (see KeepFeatures).
ImportedLines ProjectLines(const SourceLayer& source, MapProjection& projection, ImportReport& report,
                           Progress& progress) {
  ImportedLines in;
  in.lines.resize(source.lines.size());
  in.traits.reserve(source.lines.size());
  in.features.reserve(source.lines.size());
  for (const SourceLine& line : source.lines) {
    in.traits.push_back(line.traits);
    in.features.push_back(line.feature);
  }
  KeepFeatures(in, report, progress, "measuring lines", [&](size_t i, std::string& reason) {
    return projection.Measure(source.lines[i], in.lines[i], reason);
  });
  projection.ChooseMapSystem(in.lines);
  KeepFeatures(in, report, progress, "projecting lines",
               [&](size_t i, std::string& reason) { return projection.ToMap(in.lines[i], reason); });
  return in;
}

// The features named as untransformable, one after another.
std::string NamedFailures(const ImportReport& report) {
  std::string text;
  for (const std::string& failure : report.untransformableFirst) text += (text.empty() ? "" : "; ") + failure;
  return text;
}

// Why no road segment was left, for a refusal.
std::string NothingToImport(const RuvelImportRequest& request, const SourceLayer& source,
                            const RoadNetwork& network) {
  std::string why = "no road segment to write from " + source.description;
  const std::string where = OptionText(request.where);
  if (!where.empty()) why += " with --where \"" + PrintableText(where) + "\"";
  if (request.hasBbox) {
    char box[160];
    std::snprintf(box, sizeof box, "%.9g %.9g %.9g %.9g", request.bbox[0], request.bbox[1], request.bbox[2],
                  request.bbox[3]);
    why += std::string(" within --bbox ") + box;
    if (!source.extent.empty())
      why += " (the layer's extent, in the same coordinates: " + source.extent + ")";
  }
  if (source.leftOut > 0)
    why += "; the " + std::string(source.rules.ProfileName()) + " profile left out " +
           std::to_string(source.leftOut) + " of " +
           std::to_string(source.leftOut + static_cast<int64_t>(source.lines.size())) + " lines";
  if (network.collapsedLines > 0)
    why += "; " + std::to_string(network.collapsedLines) + " lines collapsed to a point";
  return why + ". Nothing was written";
}

// Whether the name ends with one of the suffixes.
bool EndsWithAny(const std::string& name, std::initializer_list<const char*> suffixes) {
  for (const char* suffix : suffixes) {
    const size_t n = std::strlen(suffix);
    if (name.size() >= n && name.compare(name.size() - n, n, suffix) == 0) return true;
  }
  return false;
}

// Whether the name of an OpenStreetMap file ends as the compressed XML
// only libosmium reads.
bool IsCompressedOsm(const std::string& source) { return EndsWithAny(source, {".osm.gz", ".osm.bz2"}); }

// Whether libosmium reads the request's source: an OpenStreetMap file by its
// name (.osm.pbf, .osm, .osm.gz, .osm.bz2) for the car, bike or foot
// profile, without the options only GDAL serves (--where, --layer, --snap,
// --source-crs).
bool ReadsWithLibosmium(const RuvelImportRequest& request) {
  const std::string source = OptionText(request.source);
  const bool osm = EndsWithAny(source, {".osm.pbf", ".osm", ".osm.gz", ".osm.bz2"});
  const std::string profile = OptionText(request.profile);
  return osm && profile != "all" && OptionText(request.where).empty() && OptionText(request.layer).empty() &&
         !request.hasSnap && OptionText(request.sourceCrs).empty();
}

// Raises ImportUsageError when the request is wrong usage whatever the
// source (see ImportRoads).
void CheckRequest(const RuvelImportRequest& request) {
  if (!request.source) throw ImportUsageError("give one source and one output map, OUT/Mname.mif");
  for (const char* output : request.outputs)
    if (!output) throw ImportUsageError("give one source and one output map, OUT/Mname.mif");
  if (request.hasBbox && !(request.bbox[0] <= request.bbox[2] && request.bbox[1] <= request.bbox[3]))
    throw ImportUsageError("--bbox takes MINX MINY MAXX MAXY: a minimum is greater than its maximum");
  if (request.hasSnap && !(request.snapMetres > 0 && request.snapMetres <= kLargestSnapMetres))
    throw ImportUsageError("--snap takes a distance of more than 0 and at most 1000 metres");
  CheckTravelOptions(request);
  if (IsCompressedOsm(OptionText(request.source)) && !ReadsWithLibosmium(request))
    throw ImportUsageError(
        "GDAL, which reads OpenStreetMap data for --profile all, --where, --layer, --snap and --source-crs, "
        "cannot read .osm.gz or .osm.bz2 files: give the .osm or .osm.pbf file");
}

// The lock of the map an import writes, held while the object lives and
// entered among the files an ending signal removes.
class ImportLock {
 public:
  // Raises ImportError when another import holds the lock or it cannot be
  // taken.
  explicit ImportLock(const std::string& mifPath) {
    const HeldSignals held;
    mark_ = PendingFileCount();
    lock_ = std::make_unique<MapLock>(mifPath);
    if (lock_->Error() != 0)
      throw ImportError("cannot lock " + PrintableText(MapLockPath(mifPath)) + ": " +
                        std::strerror(lock_->Error()));
    if (!lock_->Held()) throw ImportError("another import is writing " + PrintableText(mifPath));
    RemoveOnEndingSignal(MapLockPath(mifPath));
  }
  // Releases the lock with the signals held, so that no handler removes a
  // lock file another import has made since.
  ~ImportLock() {
    const HeldSignals held;
    ForgetPendingFiles(mark_, false);
    lock_.reset();
  }
  ImportLock(const ImportLock&) = delete;
  ImportLock& operator=(const ImportLock&) = delete;

 private:
  size_t mark_ = 0;
  std::unique_ptr<MapLock> lock_;
};

// A network on its way to the map's files, with its coordinate system and
// columns.
struct BuiltNetwork {
  RoadNetwork network;
  std::vector<RestrictionRow> restrictions;
  TravelColumns columns;
  std::unique_ptr<MapProjection> projection;
};

// Reads the source with GDAL and nodes its lines by their positions.
BuiltNetwork NetworkThroughGdal(const RuvelImportRequest& request, const MapLimits& limits,
                                Progress& progress, ImportReport& report) {
  PrepareGdal();
  const QuietGdalErrors quiet;
  const SourceLayer source = ReadSourceLines(request, limits, progress);
  BuiltNetwork built;
  built.projection = std::make_unique<MapProjection>(source);
  const ImportedLines imported = ProjectLines(source, *built.projection, report, progress);
  if (imported.lines.empty() && report.untransformable > 0)
    throw ImportError("no feature of " + source.description + " can be transformed (" +
                      std::to_string(report.untransformable) + " features; " + NamedFailures(report) +
                      "). Nothing was written");
  progress.Update("finding junctions", 0, -1);
  built.network = BuildRoadNetwork(imported.lines, imported.traits, request.hasSnap ? request.snapMetres : 0);
  progress.Finish();
  if (built.network.segments.empty()) throw ImportError(NothingToImport(request, source, built.network));
  report.reader = "GDAL";
  report.source = source.description;
  report.features = source.features;
  report.withoutLines = source.withoutLines;
  report.emptyLines = source.emptyLines;
  report.profile = source.rules.ProfileName();
  report.keptLines = static_cast<int64_t>(source.lines.size());
  report.leftOutLines = source.leftOut;
  report.defaultSpeedUsed = source.rules.UsesDefaultSpeed();
  report.defaultSpeedKmh = source.rules.DefaultSpeedKmh();
  report.defaultSpeedLines = source.defaultSpeed;
  built.columns = {source.rules.HasDirections(), source.rules.HasSpeeds(), source.rules.HasClasses()};
  return built;
}

// Reads an OpenStreetMap file with libosmium and builds the network from
// its ways' shared nodes, with its barriers and turn restrictions.
BuiltNetwork NetworkThroughLibosmium(const RuvelImportRequest& request, const MapLimits& limits,
                                     Progress& progress, ImportReport& report) {
  const std::string source = OptionText(request.source);
  CheckSourcePath(source);
  CheckOutputsApart(std::vector<std::string>(std::begin(request.outputs), std::end(request.outputs)),
                    {source}, source);
  const RoadRules rules(request, true);
  const std::string nameField = OptionText(request.nameField);
  OsmRoads roads = ReadOsmRoads(source, rules, nameField.empty() ? "name" : nameField, limits, progress);
  SourceLayer wgs84;
  wgs84.srs = std::make_shared<OGRSpatialReference>();
  wgs84.srs->importFromEPSG(4326);
  wgs84.srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  BuiltNetwork built;
  built.projection = std::make_unique<MapProjection>(wgs84);
  report.reader = "libosmium";
  report.source = "ways of " + PrintableText(source) + " (OpenStreetMap)";
  report.features = roads.waysRead;
  report.profile = rules.ProfileName();
  report.keptLines = static_cast<int64_t>(roads.wayIds.size());
  report.leftOutLines = roads.waysLeftOut;
  report.barriersPassed = roads.barriersPassed;
  report.barriersBlocking = roads.barriersBlocking;
  OsmNetwork osm =
      BuildOsmNetwork(roads, *built.projection, request.hasBbox ? request.bbox : nullptr, progress);
  progress.Finish();
  report.restrictionsRead = roads.restrictionCounts.read;
  report.restrictionsWritten = roads.restrictionCounts.written;
  report.restrictionsSkipped = roads.restrictionCounts.SkippedText();
  report.cutWays = osm.cutWays;
  report.untransformable = osm.untransformable;
  report.untransformableFirst = osm.untransformableFirst;
  if (osm.network.segments.empty()) {
    std::string why = "no road segment to write from " + report.source;
    if (request.hasBbox) why += " within --bbox";
    throw ImportError(why + "; the " + report.profile + " profile kept " + std::to_string(report.keptLines) +
                      " of " + std::to_string(roads.waysRead) + " ways. Nothing was written");
  }
  built.network = std::move(osm.network);
  built.restrictions = std::move(osm.restrictions);
  built.columns = {true, true, true};
  return built;
}

}  // namespace

ImportReport ImportRoads(const RuvelImportRequest& request, const MapLimits& limits) {
  CheckRequest(request);
  MapFilePaths outputs;
  for (size_t i = 0; i < outputs.size(); ++i) outputs[i] = request.outputs[i];
  CreatedFolders folders(outputs[0]);
  const EndingSignalCleanup cleanup;
  const ImportLock lock(outputs[0]);
  RemoveLeftoverTemporaries(outputs);
  Progress progress(!request.quiet);
  ImportReport report;
  BuiltNetwork built = ReadsWithLibosmium(request)
                           ? NetworkThroughLibosmium(request, limits, progress, report)
                           : NetworkThroughGdal(request, limits, progress, report);
  const RoadNetwork& network = built.network;
  CheckMapCapacity(network, limits);

  report.sourceSystem = built.projection->SourceName();
  report.mapSystem = built.projection->MapName();
  report.mapNote = built.projection->Note();
  report.junctions = static_cast<int64_t>(network.junctions.size());
  report.segments = static_cast<int64_t>(network.segments.size());
  for (const RoadSegment& s : network.segments) {
    report.totalLength += s.length;
    report.onewaySegments += s.oneway != 0;
  }
  Bounds(network, report);
  report.collapsedLines = network.collapsedLines;
  report.joinedEnds = network.joinedEnds;
  report.outputs = outputs;
  report.restrictionLayerRemoved = WriteMapFiles(
      network, built.restrictions,
      built.projection->CoordSys(report.minX, report.minY, report.maxX, report.maxY), built.columns, outputs);
  folders.Keep();
  return report;
}

void PrintImportReport(const ImportReport& r, std::FILE* out) {
  std::fprintf(out,
               "reader: %s\n"
               "source: %s\n"
               "source coordinates: %s\n"
               "map coordinates: %s\n"
               "junctions: %lld\n"
               "segments: %lld\n"
               "total road length: %lld m\n"
               "bounds: %lld %lld %lld %lld\n"
               "skipped: %lld of %lld features without line geometry, %lld empty lines, %lld lines collapsed "
               "to a point, %lld features that cannot be transformed\n",
               r.reader.c_str(), r.source.c_str(), r.sourceSystem.c_str(), r.mapSystem.c_str(),
               static_cast<long long>(r.junctions), static_cast<long long>(r.segments),
               static_cast<long long>(r.totalLength), static_cast<long long>(r.minX),
               static_cast<long long>(r.minY), static_cast<long long>(r.maxX), static_cast<long long>(r.maxY),
               static_cast<long long>(r.withoutLines), static_cast<long long>(r.features),
               static_cast<long long>(r.emptyLines), static_cast<long long>(r.collapsedLines),
               static_cast<long long>(r.untransformable));
  if (r.untransformable > 0) std::fprintf(out, "not transformed: %s\n", NamedFailures(r).c_str());
  std::fprintf(out, "profile: %s, %lld lines kept, %lld left out\none-way segments: %lld\n",
               r.profile.c_str(), static_cast<long long>(r.keptLines), static_cast<long long>(r.leftOutLines),
               static_cast<long long>(r.onewaySegments));
  if (r.defaultSpeedUsed)
    std::fprintf(out, "at the default speed of %.9g km/h: %lld lines\n", r.defaultSpeedKmh,
                 static_cast<long long>(r.defaultSpeedLines));
  std::fprintf(out, "joined by --snap: %lld line ends\n", static_cast<long long>(r.joinedEnds));
  if (r.reader == "libosmium") {
    std::fprintf(out, "ways cut where the file lacks their nodes: %lld\n", static_cast<long long>(r.cutWays));
    std::fprintf(out, "barriers: %lld passable, %lld blocking\n", static_cast<long long>(r.barriersPassed),
                 static_cast<long long>(r.barriersBlocking));
    std::fprintf(out, "turn restrictions: %lld read, %lld written\n",
                 static_cast<long long>(r.restrictionsRead), static_cast<long long>(r.restrictionsWritten));
    if (!r.restrictionsSkipped.empty())
      std::fprintf(out, "turn restrictions skipped: %s\n", r.restrictionsSkipped.c_str());
  }
  if (!r.mapNote.empty()) std::fprintf(out, "note: %s\n", r.mapNote.c_str());
  std::fprintf(out, "written: %s, %s, %s, %s", r.outputs[0].c_str(), r.outputs[1].c_str(),
               r.outputs[2].c_str(), r.outputs[3].c_str());
  if (r.restrictionsWritten > 0) std::fprintf(out, ", %s, %s", r.outputs[4].c_str(), r.outputs[5].c_str());
  std::fprintf(out, "\n");
  if (r.restrictionLayerRemoved)
    std::fprintf(out, "removed: the earlier turn restrictions %s, %s\n", r.outputs[4].c_str(),
                 r.outputs[5].c_str());
}
