#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/source_reader.h"

class OGRCoordinateTransformation;
class OGRSpatialReference;

// A line in the map's coordinates, in metres before rounding, with its
// length measured along it: along[k] is the length in metres from vertex 0
// to vertex k.
struct ProjectedLine {
  std::vector<double> x, y, along;
};

// How the source's coordinates become the map's whole metres, and how road
// lengths are measured. A source projected in metres keeps its coordinate
// system, and so does one that declares none (its coordinates are taken as
// metres). A geographic source, or one projected in another unit, is
// projected to the WGS 84 UTM zone of the centre of its data. A local
// system, which has no place on the Earth, is scaled to metres. Lengths are
// geodesic on the WGS 84 ellipsoid for a geographic source, planar in metres
// for any other.
class MapProjection {
 public:
  // Chooses the map's coordinate system for the source's lines. Raises
  // ImportError when the source's system cannot be mapped.
  explicit MapProjection(const SourceLayer& source);
  ~MapProjection();
  MapProjection(const MapProjection&) = delete;
  MapProjection& operator=(const MapProjection&) = delete;

  // The line in the map's coordinates, with its lengths. Raises ImportError
  // when a vertex cannot be transformed.
  ProjectedLine Project(const SourceLine& line) const;

  // The source's and the map's coordinate systems, for the report.
  const std::string& SourceName() const { return sourceName_; }
  const std::string& MapName() const { return mapName_; }

  // The map's coordinate system as a MapInfo CoordSys clause (without the
  // word CoordSys): "Earth Projection ...", or, when the map keeps
  // coordinates without a known system, "NonEarth Units "m"" with the
  // given bounds.
  std::string CoordSys(int64_t minX, int64_t minY, int64_t maxX, int64_t maxY) const;

 private:
  struct TransformDeleter {
    void operator()(OGRCoordinateTransformation* transform) const;
  };
  using Transform = std::unique_ptr<OGRCoordinateTransformation, TransformDeleter>;

  std::shared_ptr<OGRSpatialReference> map_;  // null: the source's coordinates, in no known system
  Transform toMap_;                           // null: the source's coordinates are the map's
  Transform toWgs84_;                         // for geodesic lengths; null: planar lengths
  double metresPerUnit_ = 1.0;                // for planar lengths, in the source's units
  double scaleToMap_ = 1.0;                   // for a local system's coordinates, to metres
  std::string sourceName_, mapName_;
};
