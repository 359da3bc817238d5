#pragma once

#include <string>

// Writes the four layer files of a map at the program's capacity into folder:
// 99,999 points on a jittered grid with codes 1, 2, ... in file order and
// 50,000 road segments between grid neighbours, each with several vertices
// (so 100,000 adjacency entries). With classes, the S layer has a Class
// column: the roads of every 25th grid row primary, of every 5th tertiary,
// the others minor. Returns the M layer's .mif path.
std::string WriteCapacityMap(const std::string& folder, bool classes = false);

// The M layer's .mif path of the capacity map (with classes, of the classed
// one), written on first use into a temporary folder of the process's own,
// which is removed with the map when the process ends.
const std::string& CapacityMapFile(bool classes = false);
