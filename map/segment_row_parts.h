#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "map/line_reader.h"
#include "map/segment_layer.h"
#include "map/segment_row_reader.h"
#include "toolkit/text_file.h"

// The S layer's .mid file cut at line starts into parts of about
// partBytes, read aside while the .mif file is read, by whichever of the
// two threads is free: the thread that reads the M layer once it is done
// with it, the one that reads the S layer's .mif file once that is read.
// So the two finish together, however the work of the four files is
// shared. Each part is read by a reader of its own, starting at line 1:
// a fault in any part leaves the rows incomplete, and the file is then read
// again after the .mif file, the usual way, which fails where a load
// reading one file after the other fails.
class SegmentRowParts {
 public:
  // Cuts file into parts; a failing read of the file raises Exception.
  SegmentRowParts(const TextFile& file, int64_t partBytes);

  // Reads parts until none is left, or a part fails; a thread that joins
  // in gives its own control and the columns the header declares.
  // Raises nothing: a part that cannot be read leaves the rows incomplete.
  void Read(ReadControl& control, const SegmentColumns& columns);

  // Whether any part was read; the file is then read once more when the
  // rows are not complete.
  bool WereRead() const { return read_; }

  // Gives the rows to the layer's segments when every part was read
  // completely and there is a segment for each row; false otherwise.
  // After both threads are done. Both cores copy the rows, each about half
  // of them; then the names, which fill one block in row order.
  bool GiveToSegments(SegmentLayer& layer);

 private:
  // Part k's rows, but for their names, to the segments from row first on;
  // the part keeps only its names.
  void GivePart(SegmentLayer& layer, size_t k, int32_t first);

  std::string path_;
  std::vector<int64_t> starts_;  // part k runs from starts_[k] up to starts_[k + 1]
  std::vector<SegmentRows> rows_;
  std::atomic<size_t> next_{0};  // the next part to read
  std::atomic<bool> failed_{false};
  std::atomic<bool> read_{false};
};
