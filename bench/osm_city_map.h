#pragma once

#include <string>

// Writes into folder city.osm.pbf, an OpenStreetMap file of the network
// WriteCityScaleMap writes at that scale, unless it is there already, and
// returns its path. Every junction and polyline vertex is a node (the
// metres mapped to degrees around 50 N 10 E), every road a way tagged
// highway=<class> (minor roads residential) with a name, one road in seven
// besides motorways oneway=yes; a few bend nodes of minor streets are
// barriers (bollard or gate), and a few junctions carry a no_left_turn
// restriction between two streets that start there. As many nodes again
// that no way uses follow, as in real extracts. Ids ascend from 1 in each
// kind, nodes before ways before relations; the same file on every run.
std::string WriteOsmCityMap(const std::string& folder, int scale = 1);
