#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/import_module.h"
#include "import/map_limits.h"
#include "import/road_rules.h"

class OGRSpatialReference;
class Progress;

// One line of the source (a part of a multi-part feature is a line of its
// own), in the source's coordinates, with its road's name (valid UTF-8
// without control characters), direction and speed, and the id of its
// feature.
struct SourceLine {
  std::vector<double> x, y;
  RoadTraits traits;
  int64_t feature = 0;
};

// The lines of one layer that the rules keep, in the order the source gives
// them.
struct SourceLayer {
  std::string description;                   // the layer and the source, for the report, safe to print
  std::shared_ptr<OGRSpatialReference> srs;  // null when the source declares none and none was given
  std::vector<SourceLine> lines;
  int64_t features = 0;      // features read
  int64_t withoutLines = 0;  // features with no line geometry: points, polygons, none
  int64_t emptyLines = 0;    // lines without any vertex
  RoadRules rules;           // the rules the lines were chosen by
  int64_t leftOut = 0;       // lines the rules left out
  int64_t defaultSpeed = 0;  // lines kept at the rules' default speed
  std::string
      extent;  // with a bbox that kept no line: the layer's whole extent, "min x, min y, max x, max y"
};

// Opens the request's source, picks the layer (the one named, else the
// first with lines, "lines" of OpenStreetMap data), applies the filters and
// reads every line, keeping those that the rules the request asks for (for
// the source's format) keep, each named by the name field (--name-field,
// else a field "name"). Only the formats that hold road data are opened
// (GeoPackage, Shapefile, GeoJSON and GeoJSONSeq, OpenStreetMap, MapInfo,
// CSV, FlatGeobuf, GML, KML, GPX, SQLite, OpenFileGDB), and only a regular
// file or folder. Raises ImportError, before reading any feature, for a
// source that is not such a file, whose files include one of the request's
// outputs, or an unknown coordinate system; and for a source or layer that
// cannot be read, an unknown layer, name field or travel request, a layer
// without the fields the rules read, a filter OGR refuses, or lines that
// already pass what a map holds (more lines than segments or more
// vertices), as soon as they are read.
SourceLayer ReadSourceLines(const RuvelImportRequest& request, const MapLimits& limits, Progress& progress);
