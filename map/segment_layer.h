#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "map/added_records.h"
#include "map/bounds.h"
#include "map/map_store.h"
#include "map/name_table.h"
#include "map/road_class.h"

// Where the .mid rows of the S layer hold the optional columns, by field
// number from 0; -1 for a column the header does not declare.
struct SegmentColumns {
  int32_t oneway = -1, duration = -1, name = -1, roadClass = -1;

  bool Any() const { return Last() >= 0; }
  int32_t Last() const { return std::max({oneway, duration, name, roadClass}); }
};

// The values of the optional columns, by row; empty for a column the
// header does not declare.
struct ColumnValues {
  std::vector<int8_t> oneway;
  std::vector<int32_t> duration;
  NameTable name;
  std::vector<RoadClass> roadClass;

  // Sets the count rows from `to` on to other's first count rows, column
  // by column, where both have the column; all but the name, which fills
  // one block in row order. Rows apart may be copied on threads apart.
  void CopyNumbers(const ColumnValues& other, size_t count, size_t to);

  // Gives every declared column rows values: those set stay, new ones take
  // the value of a row the file does not give.
  void Resize(const SegmentColumns& columns, size_t rows);
};

// The S layer as it is read: the segments its .mif file adds and, once its
// .mid file is opened, the optional columns of every segment. Read aside
// and put into the store afterwards, so that it can be read beside the M
// layer and dropped when that fails.
class SegmentLayer {
 public:
  explicit SegmentLayer(int32_t stored) : added(stored) {}

  AddedRecords<TFieldS> added;        // to the segments stored before the load (none, unless not cleared)
  Bounds vertexBounds = Unwidened();  // of every vertex, once the .mif file is read, when none was stored
  SegmentColumns columns;
  bool attributesOpened = false;
  ColumnValues values;

  int32_t Count() const { return added.Count(); }
  // Segment r, stored or added; DynArrayOutOfRange beyond them.
  TFieldS& Segment(int32_t r) { return added.Record(r, segments); }
};

// The S layer's columns, handed from the thread that reads its header to
// one that waits to read the .mid rows: given once, when the header ends, or
// as none when the header cannot be read.
class ColumnsHandOver {
 public:
  // Hands over columns, or none when null; only the first call counts.
  void Give(const SegmentColumns* columns);

  // Waits for the columns; none when the header could not be read.
  std::optional<SegmentColumns> Take();

 private:
  std::mutex mutex_;
  std::condition_variable handed_;
  bool given_ = false;
  std::optional<SegmentColumns> columns_;
};
