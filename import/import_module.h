#pragma once

// The interface between ruvel-route and the import module, a shared module
// that alone links GDAL, so that no other start of the program pays for
// loading it. ruvel-route opens the module from its own folder only for
// `import` and `route --geojson` and calls the two functions below through
// plain C types; no exception crosses between them.
#include <cstddef>
#include <cstdio>

// The module's file name, beside the ruvel-route executable.
#define RUVEL_IMPORT_MODULE_FILE "ruvel_import.so"

extern "C" {

// What `ruvel-route import` was asked for, as the command line gave it:
// ruvel-route fills it from its words, and the importer reads it as it is
// and alone judges the values. Strings are UTF-8 paths or texts; a null
// pointer (or, but for profile, an empty text) means the option was not
// given.
struct RuvelImportRequest {
  const char* source;  // a file or folder of road data
  // The files to write: the M layer's .mif and .mid, the S layer's .mif and
  // .mid, and the T layer's (turn restrictions) .mif and .mid, named as the
  // loader names them.
  const char* outputs[6];
  const char* layer;        // --layer
  const char* where;        // --where, an OGR attribute filter
  int hasBbox;              // --bbox given
  double bbox[4];           // min x, min y, max x, max y in the source's coordinates
  int hasSnap;              // --snap given
  double snapMetres;        // --snap: the largest gap joined, in metres
  const char* nameField;    // --name-field
  int quiet;                // --quiet: no report, no progress
  const char* sourceCrs;    // --source-crs, the source's coordinate system as OGR takes it from a user
  const char* profile;      // --profile: car, bike, foot or all
  const char* onewayField;  // --oneway-field
  const char* speedField;   // --speed-field
  int hasDefaultSpeed;      // --default-speed given
  double defaultSpeedKmh;   // --default-speed, in km/h
  const char* classField;   // --class-field
};

// Imports the request's source into the four files; prints the report on
// standard output (and progress on standard error when it is a terminal),
// unless quiet. Returns 0 on success; otherwise, having written nothing and
// left any earlier files as they were, the reason in message (at most
// messageSize bytes, zero-terminated) and 2 when the request itself is
// wrong usage (a value out of range, options that do not go together), 1
// for any other failure.
typedef int (*RuvelImportFunction)(const RuvelImportRequest* request, char* message, size_t messageSize);
#define RUVEL_IMPORT_FUNCTION "RuvelImport"

// A step of a route's directions: its instruction, the length and the
// travel time in seconds (on a map with durations) to the next step, and the
// code and position (in the map's coordinates) of its junction.
struct RuvelRouteStep {
  const char* instruction;
  long long distance;
  double duration;
  int code;
  double x, y;
};

// One route of `ruvel-route route --geojson` or `--gpx`: its start and
// target codes, and, when the target was reached, its number of points, its
// length and the coordinates of its line through the route's points in
// order (count pairs, x then y, in the map's coordinates); on a map with
// durations its travel time in seconds, on a map with names the names of
// the roads it takes (roadCount of them); its directions (stepCount steps).
struct RuvelRouteLine {
  int start, target;
  int reached;
  int points;
  long long length;
  const double* coordinates;
  size_t count;
  int hasDuration;
  double duration;
  int hasRoads;
  const char* const* roads;
  size_t roadCount;
  const RuvelRouteStep* steps;
  size_t stepCount;
};

// Writes the routes to out as one GeoJSON FeatureCollection. When the
// header of the map's M layer .mif file (mifPath) has a CoordSys line that
// OGR understands, the coordinates are transformed to WGS 84 longitude and
// latitude; otherwise they are the map's own. Returns 0, or 1 with the
// reason in message.
typedef int (*RuvelGeoJsonFunction)(const char* mifPath, const RuvelRouteLine* routes, size_t routeCount,
                                    FILE* out, char* message, size_t messageSize);
#define RUVEL_GEOJSON_FUNCTION "RuvelWriteRoutesGeoJson"

// Writes the routes to out as one GPX 1.1 document: for each route a GPX
// route named "START-TARGET" of its steps' junctions, named by their
// instructions, then for each a track of that name with one segment along its
// line in WGS 84 (no points for an unreachable pair). Refused, returning 1 with the reason in message, for a
// map whose header names no coordinate system on the Earth.
#define RUVEL_GPX_FUNCTION "RuvelWriteRoutesGpx"
}
