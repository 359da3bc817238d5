#include "map/segment_layer.h"

#include <iterator>

void ColumnValues::CopyNumbers(const ColumnValues& other, size_t count, size_t to) {
  const auto copy = [count, to](const auto& from, auto& into) {
    if (!from.empty()) std::copy_n(from.begin(), count, into.begin() + static_cast<std::ptrdiff_t>(to));
  };
  copy(other.oneway, oneway);
  copy(other.duration, duration);
  copy(other.roadClass, roadClass);
}

void ColumnValues::Resize(const SegmentColumns& columns, size_t rows) {
  const auto size = [rows](int32_t column) { return column >= 0 ? rows : 0; };
  oneway.resize(size(columns.oneway), 0);
  duration.resize(size(columns.duration), 0);
  name.Resize(size(columns.name));
  roadClass.resize(size(columns.roadClass), RoadClass::kMinor);
}

void ColumnsHandOver::Give(const SegmentColumns* columns) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (given_) return;
    given_ = true;
    if (columns) columns_ = *columns;
  }
  handed_.notify_all();
}

std::optional<SegmentColumns> ColumnsHandOver::Take() {
  std::unique_lock<std::mutex> lock(mutex_);
  handed_.wait(lock, [this] { return given_; });
  return columns_;
}
