#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class OGRSpatialReference;
class Progress;

// Which features of which source to read.
struct SourceQuery {
  std::string source;    // a file or anything else OGR opens
  std::string layer;     // empty: the first layer with lines ("lines" of OpenStreetMap data)
  std::string where;     // an OGR attribute filter; empty for none
  bool hasBbox = false;  // a spatial filter, in the source's coordinates
  double bbox[4] = {0, 0, 0, 0};
  std::string nameField;  // empty: "name" when the layer has such a field
};

// One line of the source (a part of a multi-part feature is a line of its
// own), in the source's coordinates, with the name of its road.
struct SourceLine {
  std::vector<double> x, y;
  std::string name;
};

// The lines of one layer, in the order the source gives them.
struct SourceLayer {
  std::string description;                   // the layer and the source, for the report
  std::shared_ptr<OGRSpatialReference> srs;  // null when the source declares none
  std::vector<SourceLine> lines;
  int64_t features = 0;      // features read
  int64_t withoutLines = 0;  // features with no line geometry: points, polygons, none
  int64_t emptyLines = 0;    // lines without any vertex
};

// Opens the source, picks the layer, applies the filters and reads every
// line. Raises ImportError for a source or layer that cannot be read, an
// unknown layer or name field, or a filter OGR refuses.
SourceLayer ReadSourceLines(const SourceQuery& query, Progress& progress);
