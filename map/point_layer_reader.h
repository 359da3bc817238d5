#pragma once

#include "map/line_reader.h"
#include "toolkit/text_file.h"

// The M layer's .mif file: every "Point X Y" line, from the first column,
// appends a point with those coordinates to the point table, also when a
// later line fails, so that what was read stays stored; a CoordSys line of
// the header sets mapHasCoordSys. Lines of fewer than 5 characters with
// their line feed are skipped. A bad number raises EConvertError, a point
// beyond MAP_ITEM_LIMIT Exception and memory running out EOutOfMemory, each
// with the file and line in front; a cancel (see ReadControl) raises
// ELoadCancelled.
void ReadPointGeometry(TextFile& file, ReadControl& control);

// The M layer's .mid file: row r (of at least 5 characters with its line
// feed) gives point r its code, the number before the first comma, and its
// text, the rest of the row after that comma (a row without one is all
// code, and no text). A bad code raises EConvertError, a row beyond the
// points DynArrayOutOfRange and memory running out EOutOfMemory, each with
// the file and line in front, with the rows before it kept; a cancel raises
// ELoadCancelled.
void ReadPointAttributes(TextFile& file, ReadControl& control);
