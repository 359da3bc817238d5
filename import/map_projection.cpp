#include "import/map_projection.h"

#include <cpl_conv.h>
#include <geodesic.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "import/import_error.h"
#include "import/safe_text.h"
#include "import/two_threads.h"

namespace {

// The WGS 84 ellipsoid, for geodesic lengths and distances.
constexpr double kWgs84Axis = 6378137.0;
constexpr double kWgs84Flattening = 1 / 298.257223563;
// How far a position through the written CoordSys may lie from the
// source's own, in metres.
constexpr double kSamePlace = 0.01;
// How many of the data's lines give a vertex to compare.
constexpr size_t kSampleLines = 16;

// The name and authority code of a coordinate system, for the report.
std::string Describe(const OGRSpatialReference& srs) {
  std::string name = srs.GetName() ? srs.GetName() : "unnamed";
  const char* authority = srs.GetAuthorityName(nullptr);
  const char* code = srs.GetAuthorityCode(nullptr);
  if (authority && code) name += std::string(" (") + authority + ":" + code + ")";
  return PrintableText(name);
}

std::unique_ptr<OGRSpatialReference> FromEpsg(int code) {
  auto srs = std::make_unique<OGRSpatialReference>();
  if (srs->importFromEPSG(code) != OGRERR_NONE)
    throw ImportError("cannot set up EPSG:" + std::to_string(code) + ": " +
                      LastGdalError("PROJ has no such system"));
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

// The system as a MapInfo CoordSys clause; empty when it has none.
std::string MapInfoClause(const OGRSpatialReference& srs) {
  char* text = nullptr;
  std::string clause;
  if (srs.exportToMICoordSys(&text) == OGRERR_NONE && text) clause = text;
  CPLFree(text);
  return clause;
}

// Whether the position (x, y) of the source goes through written (the
// written clause's system to WGS 84) to within 1 cm of where own puts it; a
// position own cannot place says nothing.
bool SamePlace(double x, double y, OGRCoordinateTransformation& own, OGRCoordinateTransformation& written) {
  double x1 = x, y1 = y, x2 = x, y2 = y;
  if (!own.Transform(1, &x1, &y1)) return true;
  return written.Transform(1, &x2, &y2) && GeodesicMetres(x1, y1, x2, y2) <= kSamePlace;
}

// Whether the transformation of the written clause's system to WGS 84
// (written) puts a few of the kept lines' vertices, and the corners of their
// extent, within 1 cm of where the source's own (own) puts them.
bool SamePlaces(const std::vector<ProjectedLine>& kept, OGRCoordinateTransformation& own,
                OGRCoordinateTransformation& written) {
  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
  for (const ProjectedLine& line : kept) {
    minX = std::min(minX, *std::min_element(line.x.begin(), line.x.end()));
    maxX = std::max(maxX, *std::max_element(line.x.begin(), line.x.end()));
    minY = std::min(minY, *std::min_element(line.y.begin(), line.y.end()));
    maxY = std::max(maxY, *std::max_element(line.y.begin(), line.y.end()));
  }
  const double corners[4][2] = {{minX, minY}, {minX, maxY}, {maxX, minY}, {maxX, maxY}};
  for (const auto& corner : corners)
    if (!kept.empty() && !SamePlace(corner[0], corner[1], own, written)) return false;
  const size_t step = std::max<size_t>(1, kept.size() / kSampleLines);
  for (size_t i = 0; i < kept.size(); i += step) {
    const ProjectedLine& line = kept[i];
    for (const size_t k : {size_t{0}, line.x.size() - 1})
      if (!SamePlace(line.x[k], line.y[k], own, written)) return false;
  }
  return true;
}

// Whether the clause written for srs, read back by OGR, means the same
// places for the kept lines.
bool ClauseKeepsPlaces(const std::string& clause, const std::vector<ProjectedLine>& kept,
                       OGRCoordinateTransformation& own, const OGRSpatialReference& wgs84) {
  OGRSpatialReference written;
  if (clause.empty() || written.importFromMICoordSys(clause.c_str()) != OGRERR_NONE) return false;
  written.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> toWgs84(OGRCreateCoordinateTransformation(&written, &wgs84));
  return toWgs84 && SamePlaces(kept, own, *toWgs84);
}

// Whether every vertex lies within +-180 and +-90, and there is one.
bool LooksLikeDegrees(const SourceLayer& source) {
  bool any = false;
  for (const SourceLine& line : source.lines) {
    for (size_t k = 0; k < line.x.size(); ++k) {
      if (!(std::fabs(line.x[k]) <= 180 && std::fabs(line.y[k]) <= 90)) return false;
      any = true;
    }
  }
  return any;
}

// The UTM zone, 1 to 60, of a longitude within [-180, 540).
int ZoneOf(double lon) {
  const double within = std::fmod(lon + 180, 360);
  return std::clamp(static_cast<int>(std::floor(within / 6)) + 1, 1, 60);
}

}  // namespace

void MapProjection::TransformDeleter::operator()(OGRCoordinateTransformation* transform) const {
  OGRCoordinateTransformation::DestroyCT(transform);
}

MapProjection::MapProjection(const SourceLayer& source) {
  const OGRSpatialReference* srs = source.srs.get();
  if (!srs) {
    if (LooksLikeDegrees(source))
      throw ImportError(
          "the source declares no coordinate system and all its coordinates lie within +-180 and +-90, "
          "so they are likely degrees: give --source-crs EPSG:4326 for longitude and latitude, or a local "
          "system in metres for a small site, such as --source-crs 'LOCAL_CS[\"site\",UNIT[\"metre\",1]]'");
    sourceName_ = "none declared (its coordinates are taken as metres)";
    mapName_ = "the source's coordinates, in metres";
    return;
  }
  sourceName_ = Describe(*srs);
  if (srs->IsGeocentric()) throw ImportError("cannot map the geocentric coordinate system " + sourceName_);
  const bool geographic = srs->IsGeographic();
  const double metres = geographic ? 0.0 : srs->GetLinearUnits();
  const auto wgs84 = FromEpsg(4326);
  mapName_ = "the source's coordinates, in metres";
  if (srs->IsProjected() || geographic) toWgs84_.reset(OGRCreateCoordinateTransformation(srs, wgs84.get()));
  if (!toWgs84_ && !geographic) {
    // A local system (such as MapInfo's NonEarth), or one on another body,
    // has no place on the Earth to project from: its coordinates are only
    // scaled to metres.
    metresPerUnit_ = metres;
    scaleToMap_ = metres;
    return;
  }
  if (!toWgs84_)
    throw ImportError("cannot transform " + sourceName_ +
                      " to WGS 84: " + PrintableText(LastGdalError("no transformation")));
  source_ = source.srs;
}

void MapProjection::ChooseMapSystem(const std::vector<ProjectedLine>& kept) {
  if (!source_) return;  // no place on the Earth: the map keeps the source's coordinates
  const auto wgs84 = FromEpsg(4326);
  if (source_->IsProjected() && std::fabs(source_->GetLinearUnits() - 1.0) < 1e-12) {
    const std::string clause = MapInfoClause(*source_);
    if (ClauseKeepsPlaces(clause, kept, *toWgs84_, *wgs84)) {
      coordSys_ = clause;  // the source's own coordinates
      mapName_ = sourceName_;
      return;
    }
  }
  ChooseUtmZone(kept);
}

void MapProjection::ChooseUtmZone(const std::vector<ProjectedLine>& kept) {
  GeoExtent extent;
  for (const ProjectedLine& line : kept) {
    std::vector<double> lon = line.x, lat = line.y;
    std::vector<int> done(lon.size());
    toWgs84_->Transform(lon.size(), lon.data(), lat.data(), nullptr, done.data());
    for (size_t k = 0; k < lon.size(); ++k)
      if (done[k]) extent.Add(lon[k], lat[k]);
  }
  ChooseUtmZone(extent);
}

void MapProjection::ChooseUtmZone(const GeoExtent& extent) {
  double start = 0, width = 0, south = extent.South(), north = extent.North();
  if (!extent.Shortest(start, width)) south = north = 0;
  const int zone = ZoneOf(start + width / 2 + 360);
  const int zones = width > 354 ? 60 : (ZoneOf(start + width + 360) - ZoneOf(start + 360) + 60) % 60 + 1;
  if (zones > 3)
    note_ = "the data spans " + std::to_string(zones) +
            " UTM zones: the picture is distorted away from zone " + std::to_string(zone) +
            "; lengths stay geodesic";
  const auto map = FromEpsg((south + north >= 0 ? 32600 : 32700) + zone);
  mapName_ = Describe(*map);
  coordSys_ = MapInfoClause(*map);
  toMap_.reset(OGRCreateCoordinateTransformation(source_.get(), map.get()));
  if (!toMap_ || coordSys_.empty()) throw ImportError("cannot transform " + sourceName_ + " to " + mapName_);
}

MapProjection::~MapProjection() = default;

namespace {

// A position of the source, as the report names it.
std::string Position(double x, double y) {
  char text[80];
  std::snprintf(text, sizeof text, "(%.10g %.10g)", x, y);
  return text;
}

// Whether a map coordinate, rounded to the metre, fits the map's 32 bits.
bool FitsMap(double value) {
  const double rounded = std::round(value);
  return rounded >= std::numeric_limits<int32_t>::min() && rounded <= std::numeric_limits<int32_t>::max();
}

// Transforms the n positions; false, with the first that failed in reason,
// when one cannot be transformed.
bool TransformAll(OGRCoordinateTransformation& transform, size_t n, double* x, double* y, const char* target,
                  std::string& reason) {
  const std::vector<double> x0(x, x + n), y0(y, y + n);
  std::vector<int> done(n, 0);
  transform.Transform(n, x, y, nullptr, done.data());
  for (size_t k = 0; k < n; ++k) {
    if (done[k]) continue;
    reason = Position(x0[k], y0[k]) + " cannot be transformed to " + target;
    return false;
  }
  return true;
}

}  // namespace

bool MapProjection::Measure(const SourceLine& line, ProjectedLine& out, std::string& reason) const {
  out = ProjectedLine{line.x, line.y, std::vector<double>(line.x.size(), 0.0)};
  const size_t n = line.x.size();
  if (!toWgs84_) {
    for (size_t k = 1; k < n; ++k)
      out.along[k] = out.along[k - 1] +
                     std::hypot(line.x[k] - line.x[k - 1], line.y[k] - line.y[k - 1]) * metresPerUnit_;
    return true;
  }
  std::vector<double> lon = line.x, lat = line.y;
  if (!TransformAll(*toWgs84_, n, lon.data(), lat.data(), "WGS 84", reason)) return false;
  for (size_t k = 0; k < n; ++k) {
    if (!(std::fabs(lat[k]) <= 90 && std::fabs(lon[k]) <= 360)) {
      reason = Position(line.x[k], line.y[k]) + " lies outside the Earth";
      return false;
    }
  }
  for (size_t k = 1; k < n; ++k)
    out.along[k] = out.along[k - 1] + GeodesicMetres(lon[k - 1], lat[k - 1], lon[k], lat[k]);
  return true;
}

bool MapProjection::ToMap(ProjectedLine& line, std::string& reason) const {
  const size_t n = line.x.size();
  const std::vector<double> x0 = line.x, y0 = line.y;
  if (toMap_ && !TransformAll(*toMap_, n, line.x.data(), line.y.data(), "the map's UTM zone", reason))
    return false;
  for (size_t k = 0; k < n; ++k) {
    line.x[k] *= scaleToMap_;
    line.y[k] *= scaleToMap_;
    if (!FitsMap(line.x[k]) || !FitsMap(line.y[k])) {
      reason = Position(x0[k], y0[k]) + " lies beyond the map's 32-bit coordinates";
      return false;
    }
  }
  return true;
}

std::string MapProjection::CoordSys(int64_t minX, int64_t minY, int64_t maxX, int64_t maxY) const {
  if (!coordSys_.empty()) return coordSys_;
  // MapInfo needs a non-empty box for a NonEarth system.
  return "NonEarth Units \"m\" Bounds (" + std::to_string(minX) + ", " + std::to_string(minY) + ") (" +
         std::to_string(std::max(maxX, minX + 1)) + ", " + std::to_string(std::max(maxY, minY + 1)) + ")";
}

namespace {

// How far apart, in metres, two positions may be for the local measure to
// stand in for the geodesic (within 10 micrometres of it below this).
constexpr double kLocallyFlatMetres = 300;

// The distance in metres between two near positions on the WGS 84
// ellipsoid, from its radii of curvature at their middle latitude.
double LocalMetres(double lon1, double lat1, double lon2, double lat2) {
  constexpr double kRadians = M_PI / 180, kSquaredEccentricity = kWgs84Flattening * (2 - kWgs84Flattening);
  const double middle = (lat1 + lat2) * 0.5 * kRadians, sine = std::sin(middle);
  const double w2 = 1 - kSquaredEccentricity * sine * sine, w = std::sqrt(w2);
  const double primeVertical = kWgs84Axis / w,
               meridional = kWgs84Axis * (1 - kSquaredEccentricity) / (w2 * w);
  double lon = lon2 - lon1;
  if (lon > 180) lon -= 360;
  if (lon < -180) lon += 360;
  const double north = meridional * (lat2 - lat1) * kRadians;
  const double east = primeVertical * std::cos(middle) * lon * kRadians;
  return std::hypot(east, north);
}

}  // namespace

double GeodesicMetres(double lon1, double lat1, double lon2, double lat2) {
  const double local = LocalMetres(lon1, lat1, lon2, lat2);
  if (local < kLocallyFlatMetres) return local;
  static const geod_geodesic ellipsoid = [] {
    geod_geodesic e;
    geod_init(&e, kWgs84Axis, kWgs84Flattening);
    return e;
  }();
  double metres = 0;
  geod_inverse(&ellipsoid, lat1, lon1, lat2, lon2, &metres, nullptr, nullptr);
  return metres;
}

GeoExtent::GeoExtent() {
  low_.fill(HUGE_VAL);
  high_.fill(-HUGE_VAL);
}

void GeoExtent::Add(double lon, double lat) {
  south_ = std::min(south_, lat);
  north_ = std::max(north_, lat);
  lon = std::fmod(std::fmod(lon + 180, 360) + 360, 360) - 180;  // within [-180, 180)
  const size_t bin = std::min<size_t>(kBins - 1, static_cast<size_t>((lon + 180) * kBins / 360));
  low_[bin] = std::min(low_[bin], lon);
  high_[bin] = std::max(high_[bin], lon);
}

bool GeoExtent::Shortest(double& start, double& width) const {
  double widest = -1, previousHigh = 0;
  bool any = false;
  double firstLow = 0;
  for (size_t bin = 0; bin < kBins; ++bin) {
    if (low_[bin] > high_[bin]) continue;
    if (!any) {
      firstLow = low_[bin];
    } else if (low_[bin] - previousHigh > widest) {
      widest = low_[bin] - previousHigh;
      start = low_[bin];
    }
    previousHigh = high_[bin];
    any = true;
  }
  if (!any) return false;
  if (firstLow + 360 - previousHigh > widest) {
    widest = firstLow + 360 - previousHigh;
    start = firstLow;
  }
  width = 360 - widest;
  return true;
}

void MapProjection::ToMapEach(std::vector<double>& x, std::vector<double>& y,
                              std::vector<int>& placed) const {
  placed.assign(x.size(), 1);
  if (toMap_) {
    // A transformation serves one thread at a time: the other half goes
    // through a copy.
    const Transform copy(toMap_->Clone());
    const auto transform = [&](size_t begin, size_t end) {
      OGRCoordinateTransformation& t = begin == 0 || !copy ? *toMap_ : *copy;
      t.Transform(end - begin, x.data() + begin, y.data() + begin, nullptr, placed.data() + begin);
    };
    if (copy)
      OnTwoThreads(x.size(), transform);
    else
      transform(0, x.size());
  }
  for (size_t k = 0; k < x.size(); ++k) {
    x[k] *= scaleToMap_;
    y[k] *= scaleToMap_;
    if (!FitsMap(x[k]) || !FitsMap(y[k])) placed[k] = 0;
  }
}
