#include "import/route_geojson.h"

#include <ogr_spatialref.h>

#include <fstream>
#include <memory>
#include <utility>
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

// The positions of a route's line, transformed to WGS 84 longitude and
// latitude when toWgs84 is given.
struct Positions {
  std::vector<double> x, y;
};
Positions Transformed(Positions at, OGRCoordinateTransformation* toWgs84) {
  if (toWgs84 && !toWgs84->Transform(at.x.size(), at.x.data(), at.y.data()))
    throw ImportError("cannot transform a route to WGS 84 longitude and latitude");
  return at;
}
Positions PositionsOf(const RuvelRouteLine& route, OGRCoordinateTransformation* toWgs84) {
  Positions at{std::vector<double>(route.count), std::vector<double>(route.count)};
  for (size_t k = 0; k < route.count; ++k) {
    at.x[k] = route.coordinates[2 * k];
    at.y[k] = route.coordinates[2 * k + 1];
  }
  return Transformed(std::move(at), toWgs84);
}

// The positions of a route's steps' junctions, as PositionsOf.
Positions StepPositions(const RuvelRouteLine& route, OGRCoordinateTransformation* toWgs84) {
  Positions at;
  for (size_t k = 0; k < route.stepCount; ++k) {
    at.x.push_back(route.steps[k].x);
    at.y.push_back(route.steps[k].y);
  }
  return Transformed(std::move(at), toWgs84);
}

std::string Geometry(const RuvelRouteLine& route, OGRCoordinateTransformation* toWgs84) {
  if (!route.reached || route.count == 0) return "null";
  const Positions at = PositionsOf(route, toWgs84);
  std::string positions;
  for (size_t k = 0; k < route.count; ++k) {
    positions += (k ? ",[" : "[") + Number(at.x[k], toWgs84) + "," + Number(at.y[k], toWgs84) + "]";
  }
  if (route.count == 1) return "{\"type\":\"Point\",\"coordinates\":" + positions + "}";
  return "{\"type\":\"LineString\",\"coordinates\":[" + positions + "]}";
}

// text as a JSON string.
std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

// The route's steps as a JSON array of objects (instruction, distance, on a
// map with durations duration in seconds, code and position); null when it
// was not reached.
std::string Steps(const RuvelRouteLine& route, OGRCoordinateTransformation* toWgs84) {
  if (!route.reached) return "null";
  const Positions at = StepPositions(route, toWgs84);
  std::string steps = "[";
  for (size_t k = 0; k < route.stepCount; ++k) {
    const RuvelRouteStep& step = route.steps[k];
    char duration[48] = "";
    if (route.hasDuration) std::snprintf(duration, sizeof duration, ",\"duration\":%.1f", step.duration);
    steps += std::string(k ? "," : "") + "{\"instruction\":" + JsonString(step.instruction) +
             ",\"distance\":" + std::to_string(step.distance) + duration +
             ",\"code\":" + std::to_string(step.code) + ",\"position\":[" + Number(at.x[k], toWgs84) + "," +
             Number(at.y[k], toWgs84) + "]}";
  }
  return steps + "]";
}

std::string Properties(const RuvelRouteLine& route, OGRCoordinateTransformation* toWgs84) {
  const std::string points = route.reached ? std::to_string(route.points) : "null";
  const std::string length = route.reached ? std::to_string(route.length) : "null";
  std::string properties = "{\"start\":" + std::to_string(route.start) +
                           ",\"target\":" + std::to_string(route.target) + ",\"points\":" + points +
                           ",\"length\":" + length;
  if (route.hasDuration) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", route.duration);
    properties += std::string(",\"duration\":") + (route.reached ? seconds : "null");
  }
  if (route.hasRoads) {
    std::string roads = "[";
    for (size_t k = 0; k < route.roadCount; ++k) roads += (k ? "," : "") + JsonString(route.roads[k]);
    properties += ",\"roads\":" + (route.reached ? roads + "]" : std::string("null"));
  }
  return properties + ",\"steps\":" + Steps(route, toWgs84) + "}";
}

// name with the characters XML gives a meaning escaped.
std::string XmlText(const std::string& name) {
  std::string text;
  for (const char c : name) {
    switch (c) {
      case '&':
        text += "&amp;";
        break;
      case '<':
        text += "&lt;";
        break;
      case '>':
        text += "&gt;";
        break;
      case '"':
        text += "&quot;";
        break;
      default:
        text += c;
    }
  }
  return text;
}

// A GPX track: its name, and a segment of its points unless unreachable.
std::string Track(const RuvelRouteLine& route, OGRCoordinateTransformation* toWgs84) {
  std::string track =
      "<trk><name>" + XmlText(std::to_string(route.start) + "-" + std::to_string(route.target)) + "</name>";
  if (route.reached && route.count > 0) {
    const Positions at = PositionsOf(route, toWgs84);
    track += "<trkseg>";
    for (size_t k = 0; k < route.count; ++k)
      track += "\n<trkpt lat=\"" + Number(at.y[k], true) + "\" lon=\"" + Number(at.x[k], true) + "\"/>";
    track += "\n</trkseg>";
  }
  return track + "</trk>\n";
}

// A GPX route of the route's directions, named as its track: a route point
// named by its instruction at each step's junction; none when unreachable.
std::string StepRoute(const RuvelRouteLine& route, OGRCoordinateTransformation* toWgs84) {
  std::string text =
      "<rte><name>" + XmlText(std::to_string(route.start) + "-" + std::to_string(route.target)) + "</name>";
  const Positions at = StepPositions(route, toWgs84);
  for (size_t k = 0; route.reached && k < route.stepCount; ++k) {
    text += "\n<rtept lat=\"" + Number(at.y[k], true) + "\" lon=\"" + Number(at.x[k], true) + "\"><name>" +
            XmlText(route.steps[k].instruction) + "</name></rtept>";
  }
  return text + "</rte>\n";
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
            ",\"properties\":" + Properties(routes[i], toWgs84.get()) + "}";
  }
  text += "\n]}\n";
  std::fputs(text.c_str(), out);
}

void WriteRoutesGpx(const std::string& mifPath, const RuvelRouteLine* routes, size_t routeCount,
                    std::FILE* out) {
  PrepareGdal();
  const QuietGdalErrors quiet;
  const Transform toWgs84 = ToWgs84(mifPath);
  if (!toWgs84) {
    throw ImportError("GPX needs a map on the Earth: " + mifPath +
                      " has no CoordSys line for a place on the Earth");
  }
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"Ruvel\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
  for (size_t i = 0; i < routeCount; ++i)
    text += StepRoute(routes[i], toWgs84.get());  // every rte before every trk
  for (size_t i = 0; i < routeCount; ++i) text += Track(routes[i], toWgs84.get());
  text += "</gpx>\n";
  std::fputs(text.c_str(), out);
}
