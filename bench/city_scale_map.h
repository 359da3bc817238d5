#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A place of the generated network, in metres east and north.
struct CityPosition {
  double x, y;
};

// A road of the generated network between two junctions (indices into the
// junctions), along its polyline, the ends included; its length in metres
// and its class: motorway, trunk, primary, secondary, tertiary, minor or
// service.
struct CityRoad {
  int32_t from, to;
  std::vector<CityPosition> vertices;
  int32_t length;
  const char* roadClass;
};

struct CityNetwork {
  std::vector<CityPosition> junctions;
  std::vector<CityRoad> roads;
};

// Writes into folder the four layer files of a road network of about
// 1,000,000 junctions and 1.4 segments per junction (about 150 MB), unless
// they are there already (with classes), and returns the M layer's .mif
// path. The network
// looks like real roads: some 1,100 towns of irregular street grids (blocks
// of varied length, a quarter of the streets missing, some bent) joined to
// their neighbours by long winding roads of many polyline vertices, with
// junctions every few kilometres. Lengths run 0 to 25% over the polyline's,
// so that routes of fewer segments are often longer and a label-correcting
// search revisits points. Each road has a class (a Class column): the
// country roads along every eighth row of towns are motorways, along every
// eighth column trunk roads, the others primary or secondary roads; in the
// towns the first row and column of streets are tertiary roads, one street
// in ten a service road and the rest minor. Codes 1, 2, ... in file order;
// the same files on every run. At a larger scale the same kind of network
// covers scale times the area, with scale times the junctions (10: about 10
// million junctions, 14 million segments, 1.5 GB).
std::string WriteCityScaleMap(const std::string& folder, int scale = 1);

// The network WriteCityScaleMap writes at that scale, junctions and roads in
// the order of its files: the same on every run.
CityNetwork BuildCityScaleNetwork(int scale = 1);
