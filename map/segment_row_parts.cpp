#include "map/segment_row_parts.h"

#include <algorithm>
#include <memory>

#include "map/map_store.h"
#include "map/name_table.h"
#include "map/run_together.h"
#include "toolkit/exceptions.h"

SegmentRowParts::SegmentRowParts(const TextFile& file, int64_t partBytes) : path_(file.Path()) {
  starts_.push_back(0);
  while (starts_.back() < file.Size())
    starts_.push_back(
        file.LineStartAfter(std::min(file.Size(), starts_.back() + std::max<int64_t>(partBytes, 1) - 1)));
  rows_.resize(starts_.size() - 1);
}

void SegmentRowParts::Read(ReadControl& control, const SegmentColumns& columns) {
  for (size_t k; !failed_ && (k = next_++) < rows_.size();) {
    read_ = true;
    try {
      std::unique_ptr<TextFile> part(new TextFile);  // its buffer left unwritten until read into
      if (!part->Open(path_, NameMatch::Exact)) throw Exception("the file is gone");
      part->ReadOnlyPart(starts_[k], starts_[k + 1]);
      ReadSegmentRowsAside(*part, control, columns, rows_[k]);
    } catch (...) {
    }
    if (!rows_[k].complete) failed_ = true;
  }
}

bool SegmentRowParts::GiveToSegments(SegmentLayer& layer) {
  std::vector<int32_t> firstRows{0};  // of each part, then the number of rows
  for (const SegmentRows& rows : rows_) {
    if (!rows.complete) return false;
    const int64_t next = firstRows.back() + static_cast<int64_t>(rows.ends.size());
    if (next > layer.Count()) return false;
    firstRows.push_back(static_cast<int32_t>(next));
  }
  layer.values.Resize(layer.columns, static_cast<size_t>(layer.Count()));
  const size_t middle = static_cast<size_t>(
      std::lower_bound(firstRows.begin(), firstRows.end() - 1, firstRows.back() / 2) - firstRows.begin());
  const auto give = [&](size_t begin, size_t end) {
    for (size_t k = begin; k < end; ++k) GivePart(layer, k, firstRows[k]);
  };
  RunTogether([&] { give(middle, rows_.size()); }, [&] { give(0, middle); });
  for (size_t k = 0; k < rows_.size(); ++k) {
    const NameTable& names = rows_[k].values.name;
    for (int32_t r = firstRows[k]; !names.empty() && r < firstRows[k + 1]; ++r)
      layer.values.name.Set(static_cast<size_t>(r), names[static_cast<size_t>(r - firstRows[k])]);
    rows_[k] = {};  // its memory back before the next part's names are copied
  }
  layer.attributesOpened = true;
  return true;
}

void SegmentRowParts::GivePart(SegmentLayer& layer, size_t k, int32_t first) {
  SegmentRows& rows = rows_[k];
  const auto count = static_cast<int32_t>(rows.ends.size());
  TFieldS* const segment = layer.added.AddedRun(first, count);
  for (int32_t i = 0; i < count; ++i) {
    segment[i].From = rows.ends[i].From;
    segment[i].To = rows.ends[i].To;
    segment[i].Length = rows.ends[i].Length;
  }
  layer.values.CopyNumbers(rows.values, rows.ends.size(), static_cast<size_t>(first));
  rows.ends = {};
  rows.values.oneway = {};
  rows.values.duration = {};
  rows.values.roadClass = {};
}
