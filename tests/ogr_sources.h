#pragma once

#include <map>
#include <string>
#include <vector>

// A local coordinate system in metres, with no place on the Earth, for
// WriteOgrSource.
constexpr int kLocalMetres = -1;

// A feature of a test source: its geometry as WKT and its road name.
struct SourceFeature {
  std::string wkt;
  std::string name;
};

// Writes a vector source at path with OGR's driver (for example "GPKG",
// "GeoJSON", "MapInfo File"): one layer named "roads" holding the features,
// with a "name" field, in the coordinate system EPSG:epsg (none for 0, a
// local system in metres for kLocalMetres).
// creationOptions go to the dataset (for example "FORMAT=MIF").
void WriteOgrSource(const std::string& path, const std::string& driver, int epsg,
                    const std::vector<SourceFeature>& features,
                    const std::vector<std::string>& creationOptions = {});

// A feature as OGR reads it back: its geometry as WKT and its fields as text.
struct ReadBackFeature {
  std::string wkt;
  std::map<std::string, std::string> fields;
};

// Every feature of the layer of the source at path (its first layer when no
// name is given), in order.
std::vector<ReadBackFeature> ReadOgrLayer(const std::string& path, const std::string& layerName = "");

// A WGS 84 position: longitude and latitude in degrees.
struct LonLat {
  double lon, lat;
};

// The line through the positions as WKT in the coordinate system EPSG:epsg,
// transformed by OGR.
std::string LineInSystem(const std::vector<LonLat>& positions, int epsg);

// The positions of a WKT line or point read in WGS 84, as OGR writes
// GeoJSON's longitude and latitude.
std::vector<LonLat> PositionsOf(const std::string& wkt);

// The junctions of a map (the points of its M layer's .mif), in WGS 84, as
// OGR places them through the CoordSys the file declares.
std::vector<LonLat> MapJunctionsInWgs84(const std::string& mifPath);

// The geodesic distance in metres between two positions on the WGS 84
// ellipsoid.
double GeodesicMetres(LonLat a, LonLat b);
