#include "import/map_projection.h"

#include <cpl_conv.h>
#include <geodesic.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>

#include "import/import_error.h"

namespace {

// The WGS 84 ellipsoid, for geodesic lengths.
constexpr double kWgs84Axis = 6378137.0;
constexpr double kWgs84Flattening = 1 / 298.257223563;

// The name and authority code of a coordinate system, for the report.
std::string Describe(const OGRSpatialReference& srs) {
  std::string name = srs.GetName() ? srs.GetName() : "unnamed";
  const char* authority = srs.GetAuthorityName(nullptr);
  const char* code = srs.GetAuthorityCode(nullptr);
  if (authority && code) name += std::string(" (") + authority + ":" + code + ")";
  return name;
}

std::shared_ptr<OGRSpatialReference> FromEpsg(int code) {
  auto srs = std::make_shared<OGRSpatialReference>();
  if (srs->importFromEPSG(code) != OGRERR_NONE)
    throw ImportError("cannot set up EPSG:" + std::to_string(code) + ": " +
                      LastGdalError("PROJ has no such system"));
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

// The centre of the box around every vertex of the source's lines.
void DataCentre(const SourceLayer& source, double& x, double& y) {
  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
  for (const SourceLine& line : source.lines) {
    for (size_t k = 0; k < line.x.size(); ++k) {
      minX = std::min(minX, line.x[k]);
      maxX = std::max(maxX, line.x[k]);
      minY = std::min(minY, line.y[k]);
      maxY = std::max(maxY, line.y[k]);
    }
  }
  x = minX <= maxX ? (minX + maxX) / 2 : 0;
  y = minY <= maxY ? (minY + maxY) / 2 : 0;
}

}  // namespace

void MapProjection::TransformDeleter::operator()(OGRCoordinateTransformation* transform) const {
  OGRCoordinateTransformation::DestroyCT(transform);
}

MapProjection::MapProjection(const SourceLayer& source) {
  const OGRSpatialReference* srs = source.srs.get();
  if (!srs) {
    sourceName_ = "none declared (its coordinates are taken as metres)";
    mapName_ = "the source's coordinates, in metres";
    return;
  }
  sourceName_ = Describe(*srs);
  if (srs->IsGeocentric()) throw ImportError("cannot map the geocentric coordinate system " + sourceName_);
  const bool geographic = srs->IsGeographic();
  const double metres = geographic ? 0.0 : srs->GetLinearUnits();
  if (srs->IsProjected() && std::fabs(metres - 1.0) < 1e-12) {
    map_ = source.srs;  // projected in metres: the source's own coordinates
    mapName_ = sourceName_;
    return;
  }
  if (!geographic && !srs->IsProjected()) {
    // A local system (such as MapInfo's NonEarth) has no place on the Earth
    // to project from: its coordinates are only scaled to metres.
    metresPerUnit_ = metres;
    scaleToMap_ = metres;
    mapName_ = "the source's coordinates, in metres";
    return;
  }

  const auto wgs84 = FromEpsg(4326);
  Transform toWgs84(OGRCreateCoordinateTransformation(srs, wgs84.get()));
  if (!toWgs84)
    throw ImportError("cannot transform " + sourceName_ +
                      " to WGS 84: " + LastGdalError("no transformation"));
  double lon = 0, lat = 0;
  DataCentre(source, lon, lat);
  if (!toWgs84->Transform(1, &lon, &lat))
    throw ImportError("cannot transform the centre of the data to WGS 84 longitude and latitude");
  const int zone = std::clamp(static_cast<int>(std::floor((lon + 180) / 6)) + 1, 1, 60);
  map_ = FromEpsg((lat >= 0 ? 32600 : 32700) + zone);
  mapName_ = Describe(*map_);
  toMap_.reset(OGRCreateCoordinateTransformation(srs, map_.get()));
  if (!toMap_) throw ImportError("cannot transform " + sourceName_ + " to " + mapName_);
  if (geographic)
    toWgs84_ = std::move(toWgs84);
  else
    metresPerUnit_ = metres;
}

MapProjection::~MapProjection() = default;

ProjectedLine MapProjection::Project(const SourceLine& line) const {
  ProjectedLine out{line.x, line.y, std::vector<double>(line.x.size(), 0.0)};
  const size_t n = line.x.size();
  if (toWgs84_) {
    std::vector<double> lon = line.x, lat = line.y;
    if (!toWgs84_->Transform(n, lon.data(), lat.data()))
      throw ImportError("cannot transform a line to WGS 84 longitude and latitude");
    geod_geodesic ellipsoid;
    geod_init(&ellipsoid, kWgs84Axis, kWgs84Flattening);
    for (size_t k = 1; k < n; ++k) {
      double metres = 0;
      geod_inverse(&ellipsoid, lat[k - 1], lon[k - 1], lat[k], lon[k], &metres, nullptr, nullptr);
      out.along[k] = out.along[k - 1] + metres;
    }
  } else {
    for (size_t k = 1; k < n; ++k)
      out.along[k] = out.along[k - 1] +
                     std::hypot(line.x[k] - line.x[k - 1], line.y[k] - line.y[k - 1]) * metresPerUnit_;
  }
  if (toMap_ && !toMap_->Transform(n, out.x.data(), out.y.data()))
    throw ImportError("cannot transform a line to " + mapName_);
  if (scaleToMap_ != 1.0) {
    for (double& v : out.x) v *= scaleToMap_;
    for (double& v : out.y) v *= scaleToMap_;
  }
  return out;
}

std::string MapProjection::CoordSys(int64_t minX, int64_t minY, int64_t maxX, int64_t maxY) const {
  if (map_) {
    char* text = nullptr;
    if (map_->exportToMICoordSys(&text) == OGRERR_NONE && text && *text) {
      std::string clause(text);
      CPLFree(text);
      return clause;
    }
    CPLFree(text);
  }
  // MapInfo needs a non-empty box for a NonEarth system.
  return "NonEarth Units \"m\" Bounds (" + std::to_string(minX) + ", " + std::to_string(minY) + ") (" +
         std::to_string(std::max(maxX, minX + 1)) + ", " + std::to_string(std::max(maxY, minY + 1)) + ")";
}
