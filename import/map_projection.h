#pragma once

#include <array>
#include <cmath>
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

// The distance in metres between two positions on the WGS 84 ellipsoid:
// the geodesic's (Karney's algorithm), or, for positions less than 300 m
// apart, as a road's nodes mostly are, within 10 micrometres of it from the
// ellipsoid's radii of curvature at their middle latitude, twenty times
// faster.
double GeodesicMetres(double lon1, double lat1, double lon2, double lat2);

// The WGS 84 positions of a source's kept data, for choosing the map's UTM
// zone: their least and greatest latitude, and their longitudes in bins of
// a tenth of a degree that keep the least and greatest longitude they hold,
// for the shortest interval that covers them all.
class GeoExtent {
 public:
  GeoExtent();
  void Add(double lon, double lat);

  // The start and the width of the shortest interval, in degrees, found by
  // leaving out the widest gap between the data's longitudes (any gap
  // within one bin is narrower than a tenth of a degree). False without
  // data.
  bool Shortest(double& start, double& width) const;
  double South() const { return south_; }
  double North() const { return north_; }

 private:
  static constexpr size_t kBins = 3600;
  std::array<double, kBins> low_, high_;
  double south_ = HUGE_VAL, north_ = -HUGE_VAL;
};

// How the source's coordinates become the map's whole metres, and how road
// lengths are measured.
//
// A source projected in metres keeps its coordinate system when the MapInfo
// CoordSys clause written for it means the same places: for a few of the
// kept lines' vertices and the corners of their extent, the WGS 84 position through the system OGR reads back
// from the clause lies within 1 cm of the position through the source's own
// system. Any other source on the Earth (geographic, in other units, or
// whose clause would move it) is projected to the WGS 84 UTM zone of the
// centre of the shortest longitude interval that covers its kept lines, in
// the hemisphere of the middle of their latitudes. A local
// system, which has no place on the Earth, is scaled to metres; a source
// that declares no system keeps its coordinates as metres, unless they all
// lie within +-180 and +-90, which is refused as likely degrees.
//
// Lengths are geodesic on the WGS 84 ellipsoid for every source on the
// Earth, planar in metres for the others.
class MapProjection {
 public:
  // Sets up the transformations of the source's coordinate system. Raises
  // ImportError when it cannot be mapped.
  explicit MapProjection(const SourceLayer& source);
  ~MapProjection();
  MapProjection(const MapProjection&) = delete;
  MapProjection& operator=(const MapProjection&) = delete;

  // Puts the line, still in the source's coordinates, with its lengths into
  // out. Returns false, with the reason (the first vertex that failed), when
  // a vertex of a source on the Earth cannot be transformed to WGS 84 or
  // lies outside the Earth.
  bool Measure(const SourceLine& line, ProjectedLine& out, std::string& reason) const;

  // Chooses the map's coordinate system from the measured lines that are
  // kept (only those, so that lines left out place nothing). Raises
  // ImportError when the source cannot be transformed to it.
  void ChooseMapSystem(const std::vector<ProjectedLine>& kept);

  // Chooses the WGS 84 UTM zone of the extent as the map's system, for a
  // source on the Earth, as ChooseMapSystem does for a source that does not
  // keep its own. Raises ImportError when the source cannot be transformed
  // to it.
  void ChooseUtmZone(const GeoExtent& extent);

  // Puts positions of the source in the map's coordinates, each in place;
  // placed[k] is 0 for one that cannot be transformed or lies beyond the
  // map's 32-bit coordinates, else 1.
  void ToMapEach(std::vector<double>& x, std::vector<double>& y, std::vector<int>& placed) const;

  // Puts a measured line in the map's coordinates. Returns false, with the
  // reason, when a vertex cannot be transformed or lies beyond the map's
  // 32-bit coordinates.
  bool ToMap(ProjectedLine& line, std::string& reason) const;

  // The source's and the map's coordinate systems, for the report, safe to
  // print; and a note on the map's system (empty, or how many UTM zones the
  // data spans when they are more than three).
  const std::string& SourceName() const { return sourceName_; }
  const std::string& MapName() const { return mapName_; }
  const std::string& Note() const { return note_; }

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

  void ChooseUtmZone(const std::vector<ProjectedLine>& kept);

  std::shared_ptr<OGRSpatialReference> source_;  // null: no place on the Earth
  std::string coordSys_;                         // empty: NonEarth
  Transform toMap_;                              // null: the source's coordinates are the map's
  Transform toWgs84_;                            // for geodesic lengths; null: planar lengths
  double metresPerUnit_ = 1.0;                   // for planar lengths, in the source's units
  double scaleToMap_ = 1.0;                      // for a local system's coordinates, to metres
  std::string sourceName_, mapName_, note_;
};
