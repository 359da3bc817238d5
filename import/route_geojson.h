#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "import/import_module.h"

// Writes the routes to out as one GeoJSON FeatureCollection: a feature per
// route with a LineString through its points (a Point for a route of one
// point, no geometry for an unreachable one) and the properties start,
// target, points and length, duration (seconds) and roads (an array of
// names) on maps that have them, and steps: an array of the directions'
// steps, each with its instruction, distance, duration (on maps with
// durations), junction code and position. When the header of the map's M layer .mif
// file has a CoordSys line that OGR understands for a place on the Earth,
// the coordinates are transformed to WGS 84 longitude and latitude, as
// GeoJSON requires; otherwise they are the map's own.
void WriteRoutesGeoJson(const std::string& mifPath, const RuvelRouteLine* routes, size_t routeCount,
                        std::FILE* out);

// Writes the routes to out as one GPX 1.1 document: a route per route named
// "START-TARGET" with a route point at each step of its directions, named by
// the step's instruction, then (GPX puts every rte before every trk) a track
// per route of the same name, with one segment of track points along its
// line in WGS 84 (the same positions as the GeoJSON's); no points for an
// unreachable pair.
// Raises ImportError for a map whose coordinate system is not known to lie
// on the Earth.
void WriteRoutesGpx(const std::string& mifPath, const RuvelRouteLine* routes, size_t routeCount,
                    std::FILE* out);
