#pragma once

#include <array>
#include <string>

#include "import/road_network.h"

// Raises ImportError, naming every count beyond it, when the network does
// not fit a map: more than 99,999 junctions, 100,000 segments, 100,000
// adjacency entries (a segment is entered at both ends, a loop once) or
// 16,777,216 vertices in all, or a segment longer than the 32 bits a length
// has.
void CheckMapCapacity(const RoadNetwork& network);

// The four files of a map, in the order the loader reads them: the M
// layer's .mif and .mid, the S layer's .mif and .mid.
using MapFilePaths = std::array<std::string, 4>;

// Writes the network as a map: MIF files with a proper header (the given
// CoordSys clause), one Point line per junction (junction c is the c-th),
// one Pline line per segment followed by its vertices, and .mid rows
// `code,"names"` and `from,to,length,"name"`. Text is quoted with quotes
// doubled, on one line, and cut at a character boundary so that no line
// passes 254 bytes before its line feed. The folder is created when
// needed. The files are written under temporary names beside the targets
// and renamed over them only once all four are complete, so that a failure
// (ImportError) leaves any earlier map as it was.
void WriteMapFiles(const RoadNetwork& network, const std::string& coordSys, const MapFilePaths& paths);
