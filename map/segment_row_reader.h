#pragma once

#include <cstdint>
#include <vector>

#include "map/line_reader.h"
#include "map/segment_layer.h"
#include "toolkit/text_file.h"

// The S layer's .mid file into layer's segments: row r (of at least 5
// characters with its line feed), "from,to,length", gives segment r its end
// codes and length, and, where layer.columns declares them, its optional
// columns from the fields after the third; without them anything after a
// third comma is ignored. Every declared column gets a value for each
// segment. A bad number, a negative length or duration or a one-way value
// other than -1, 0 and 1 raises EConvertError, a row beyond the segments
// DynArrayOutOfRange and memory running out EOutOfMemory, each with the
// file and line in front, with the rows before it kept; a cancel raises
// ELoadCancelled.
void ReadSegmentAttributes(TextFile& file, ReadControl& control, SegmentLayer& layer);

// Rows of the S layer's .mid file read aside, before the segments they
// belong to are known. Complete only when every row was read without a
// fault.
struct SegmentRows {
  struct Ends {
    int32_t From = 0, To = 0, Length = 0;
  };
  std::vector<Ends> ends;
  ColumnValues values;
  bool complete = false;
};

// Reads every row of file into rows, as ReadSegmentAttributes would give
// them to the segments, with the columns declared; raises nothing: any
// fault leaves rows incomplete.
void ReadSegmentRowsAside(TextFile& file, ReadControl& control, const SegmentColumns& columns,
                          SegmentRows& rows);
