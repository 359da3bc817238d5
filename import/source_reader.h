#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/map_limits.h"
#include "import/road_rules.h"

class OGRSpatialReference;
class Progress;

// Which features of which source to read.
struct SourceQuery {
  std::string source;    // a file or folder of one of the formats that hold road data
  std::string layer;     // empty: the first layer with lines ("lines" of OpenStreetMap data)
  std::string where;     // an OGR attribute filter; empty for none
  bool hasBbox = false;  // a spatial filter, in the source's coordinates
  double bbox[4] = {0, 0, 0, 0};
  std::string nameField;  // empty: "name" when the layer has such a field
  std::string sourceCrs;  // the source's coordinate system as OGR takes it from a user; empty: its own
  std::vector<std::string> keepApart;  // files that must not be among the source's
  TravelRequest travel;                // which roads to keep, which way and how fast
};

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

// Opens the source, picks the layer, applies the filters and reads every
// line, keeping those that the rules query.travel asks for (for the source's
// format) keep. Only the formats that hold road data are opened (GeoPackage,
// Shapefile, GeoJSON and GeoJSONSeq, OpenStreetMap, MapInfo, CSV,
// FlatGeobuf, GML, KML, GPX, SQLite, OpenFileGDB), and only a regular file
// or folder. Raises ImportError, before reading any feature, for a source
// that is not such a file, whose files include one of query.keepApart, or
// an unknown coordinate system; and for a source or layer that cannot be
// read, an unknown layer, name field or travel request, a layer without
// the fields the rules read, a filter OGR refuses, or lines that
// already pass what a map holds (more lines than segments or more vertices),
// as soon as they are read.
SourceLayer ReadSourceLines(const SourceQuery& query, const MapLimits& limits, Progress& progress);
