#pragma once

#include "map/line_reader.h"
#include "map/segment_layer.h"
#include "toolkit/text_file.h"

// The S layer's .mif file into layer: "Pline N" (from the first column)
// adds a segment of N vertices, and the lines after it that do not begin
// with a blank fill its vertices, "x y", in turn; surplus ones are ignored,
// and so are lines of fewer than 4 characters with their line feed. Before
// the first Pline, a "Columns N" block declares where the optional columns
// stand in the .mid rows: they go to layer.columns and, as soon as the
// block ends, to handOver. Widens layer.vertexBounds by the vertices of the
// segments read, those no line fills being (0, 0).
// A bad number or a negative count raises EConvertError, a segment beyond
// MAP_ITEM_LIMIT or counts beyond VertexBound of the file's size Exception
// and memory running out EOutOfMemory, each with the file and line in front;
// a cancel or abandon (see ReadControl) raises ELoadCancelled. The segments
// added so far stay in layer.
void ReadSegmentGeometry(TextFile& file, ReadControl& control, SegmentLayer& layer,
                         ColumnsHandOver& handOver);
