#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "map/turn_restrictions.h"

// Each command takes the words after its name and prints its result on
// standard output. It raises UsageError for words it cannot use (main
// prints the usage and exits with 2) and Exception for a map that cannot be
// read or a request that cannot be served (main prints the message and
// exits with 1).
struct UsageError {};

// Raised by a command that found nothing to print: main exits with 1,
// without a message.
struct NothingFound {};

// info MAP.mif: the map's counts, bounds and graph size, and its number of
// turn restrictions when it has any.
void RunInfo(const std::vector<std::string>& args);

// find MAP.mif TEXT: every junction whose name contains TEXT, ignoring
// letter case, as "code: name", one a line, in table order; NothingFound
// when there is none.
void RunFind(const std::vector<std::string>& args);

// route MAP.mif START TARGET [START TARGET ...] [--geojson | --gpx] [--fastest]
// [--no-cache] [--via CODE ...] [--directions]: the route the window would find and mark
// between the points with each pair of codes (through the vias in order, for
// one pair only), as text, with its directions' steps after --directions, or
// as one GeoJSON FeatureCollection or GPX document, which always carry them.
void RunRoute(const std::vector<std::string>& args);

// prepare MAP.mif [--fastest]: builds the contraction hierarchy of a map
// beyond the direct search's capacity or with turn restrictions (weighed by
// durations with --fastest; of its turn graph with restrictions) and writes
// it into the cache, with a progress bar on a terminal; raises Exception
// when the cache cannot keep it.
void RunPrepare(const std::vector<std::string>& args);

// The route search of `route`: the cached hierarchy of the road graph when
// useCache and the graph is beyond the direct search's capacity and the
// cache holds a sound one; the search of FindRoute otherwise. With turn
// restrictions, routes obey them (see FastRoutes), by the cached hierarchy
// of the turn graph when useCache and the cache holds one. Writes nothing.
class FastRoutes;
FastRoutes CachedFastRoutes(bool useCache, const TurnRestrictions& restrictions);

// Weighs the road graph by the segments' durations, as Fastest does in the
// window; raises Exception for a map without durations.
void WeighByDurations(const std::string& map);

// render MAP.mif OUT.png [--size WIDTHxHEIGHT] [--route START TARGET
// [--via CODE ...]] [--no-points] [--no-lines] [--zoom K] [--center X Y]:
// the window's picture of the map as a PNG file, at zoom level K (0, the
// whole-map view, by default) centred on the map point (X, Y), else on the
// bounds' centre, with the route from START through the vias in order to
// TARGET drawn as the window draws it.
// Drawn by the render module, which loads the map into tables of its own.
void RunRender(const std::vector<std::string>& args);

// import SOURCE OUT/Mname.mif [--layer NAME] [--where SQL] [--bbox MINX MINY
// MAXX MAXY] [--snap METRES] [--name-field FIELD] [--source-crs CRS]
// [--profile car|bike|foot|all] [--oneway-field FIELD] [--speed-field FIELD]
// [--default-speed KMH] [--class-field FIELD] [--quiet]: turns the roads of a
// GIS layer or OpenStreetMap file that a mode of travel uses into a map's
// files (the T layer's too when the source has turn restrictions), through
// the import module.
void RunImport(const std::vector<std::string>& args);

// Empties the map store and loads the map whose M layer is path; returns
// its turn restrictions (none without a T layer). Raises Exception, before
// anything is loaded, when path names no regular file or its name does not
// begin with a capital M.
TurnRestrictions LoadMap(const std::string& path);

// A whole number given on the command line; UsageError when it is not one.
int32_t IntegerArgument(const std::string& word);
