#include "import/route_geojson.h"

#include <ogr_spatialref.h>

#include <fstream>
#include <memory>
#include <vector>

#include "import/gdal_setup.h"
#include "import/import_error.h"

namespace {

struct TransformDeleter {
  void operator()(OGRCoordinateTransformation* transform) const {
    OGRCoordinateTransformation::DestroyCT(transform);
  }
};
using Transform = std::unique_ptr<OGRCoordinateTransformation, TransformDeleter>;

// The CoordSys line of a MIF header (the lines before "Data"), or empty.
std::string CoordSysLine(const std::string& mifPath) {
  std::ifstream file(mifPath);
  for (std::string line; std::getline(file, line);) {
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    const std::string word = line.substr(first, line.find_first_of(" \t\r", first) - first);
    if (word == "Data" || word == "DATA" || word == "data") break;
    if (word == "CoordSys" || word == "COORDSYS" || word == "coordsys") {
      while (!line.empty() && line.back() == '\r') line.pop_back();
      return line.substr(first);
    }
  }
  return {};
}

// The transformation from the map's coordinates to WGS 84 longitude and
// latitude, or null when the map's system is unknown or not on the Earth.
Transform ToWgs84(const std::string& mifPath) {
  const std::string coordSys = CoordSysLine(mifPath);
  if (coordSys.empty()) return nullptr;
  OGRSpatialReference map;
  if (map.importFromMICoordSys(coordSys.c_str()) != OGRERR_NONE || !(map.IsProjected() || map.IsGeographic()))
    return nullptr;
  map.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRSpatialReference wgs84;
  wgs84.importFromEPSG(4326);
  wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return Transform(OGRCreateCoordinateTransformation(&map, &wgs84));
}

std::string Number(double value, bool degrees) {
  char text[64];
  std::snprintf(text, sizeof text, degrees ? "%.7f" : "%.15g", value);
  return text;
}

std::string Geometry(const RuvelRouteLine& route, OGRCoordinateTransformation* toWgs84) {
  if (!route.reached || route.count == 0) return "null";
  std::vector<double> x(route.count), y(route.count);
  for (size_t k = 0; k < route.count; ++k) {
    x[k] = route.coordinates[2 * k];
    y[k] = route.coordinates[2 * k + 1];
  }
  if (toWgs84 && !toWgs84->Transform(route.count, x.data(), y.data()))
    throw ImportError("cannot transform a route to WGS 84 longitude and latitude");
  std::string positions;
  for (size_t k = 0; k < route.count; ++k) {
    positions += (k ? ",[" : "[") + Number(x[k], toWgs84) + "," + Number(y[k], toWgs84) + "]";
  }
  if (route.count == 1) return "{\"type\":\"Point\",\"coordinates\":" + positions + "}";
  return "{\"type\":\"LineString\",\"coordinates\":[" + positions + "]}";
}

std::string Properties(const RuvelRouteLine& route) {
  const std::string points = route.reached ? std::to_string(route.points) : "null";
  const std::string length = route.reached ? std::to_string(route.length) : "null";
  return "{\"start\":" + std::to_string(route.start) + ",\"target\":" + std::to_string(route.target) +
         ",\"points\":" + points + ",\"length\":" + length + "}";
}

}  // namespace

void WriteRoutesGeoJson(const std::string& mifPath, const RuvelRouteLine* routes, size_t routeCount,
                        std::FILE* out) {
  PrepareGdal();
  const QuietGdalErrors quiet;
  const Transform toWgs84 = ToWgs84(mifPath);
  std::string text = "{\"type\":\"FeatureCollection\",\"features\":[";
  for (size_t i = 0; i < routeCount; ++i) {
    text += std::string(i ? ",\n" : "\n") +
            "{\"type\":\"Feature\",\"geometry\":" + Geometry(routes[i], toWgs84.get()) +
            ",\"properties\":" + Properties(routes[i]) + "}";
  }
  text += "\n]}\n";
  std::fputs(text.c_str(), out);
}
