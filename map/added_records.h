#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "map/dynamic_array.h"
#include "map/road_graph.h"
#include "toolkit/exceptions.h"
#include "toolkit/memory_pages.h"

// The records a file adds to a table after those it holds, made in room of
// their own and put into the table once read: as the table itself when it
// held none, without a copy.
template <typename T>
class AddedRecords {
 public:
  explicit AddedRecords(int32_t stored) : stored_(stored) {}

  int32_t Count() const { return stored_ + added_; }
  int32_t Stored() const { return stored_; }

  // Record r, of those stored in table and those added: as table[r] would be.
  T& Record(int32_t r, DynamicArray<T>& table) {
    if (r < 0 || r >= Count()) throw DynArrayOutOfRange(r, Count());
    return r < stored_ ? table[r] : room_[r - stored_];
  }

  // The records [first, first + count), all of them added ones, as one
  // array; null for none.
  T* AddedRun(int32_t first, int32_t count) {
    if (count == 0) return nullptr;
    if (first < stored_ || count < 0 || int64_t{first} + count > Count())
      throw DynArrayOutOfRange(first, Count());
    return &room_[first - stored_];
  }

  // Makes room for the records a file of fileSize bytes holds when each
  // takes at least recordBytes of it; a file of smaller ones makes the room
  // grow as it fills. Zeroed memory that costs nothing until it is filled,
  // when large; a small block comes from the heap, zeroed in full, so it is
  // not made larger than a map needs. Room that cannot be had is left to
  // grow as the records come.
  void ReserveFor(int64_t fileSize, int64_t recordBytes) {
    try {
      room_.SetLength(static_cast<int32_t>(std::min<int64_t>(fileSize / recordBytes + 16, MAP_ITEM_LIMIT)));
    } catch (const EOutOfMemory&) {
    }
  }

  // A new record after the others.
  // Its zero bytes are written before anything reads them: a page of the
  // room is then first touched by a write, which maps it at once, rather
  // than by a read, which maps the shared zero page and costs a copy on
  // write, and a flush of the other core's address cache, at the first write.
  T& Add() {
    if (added_ == room_.Length())
      room_.SetLength(static_cast<int32_t>(std::clamp<int64_t>(2 * int64_t{added_}, 16, MAP_ITEM_LIMIT)));
    pages_.Before(&room_[0], static_cast<size_t>(added_), static_cast<size_t>(room_.Length()));
    T& record = room_[added_++];
    std::memset(static_cast<void*>(&record), 0, sizeof record);  // its value already: zero is a new record
    return record;
  }

  // Puts the records added after those of table, count being its length.
  void Store(DynamicArray<T>& table, int32_t& count) {
    if (added_ == 0) return;
    room_.DropUnfilledTail(added_);
    if (stored_ == 0) {
      table = room_;
    } else {
      table.SetLength(stored_ + added_);
      for (int32_t k = 0; k < added_; ++k) table[stored_ + k] = room_[k];
    }
    count = table.Length();
  }

 private:
  const int32_t stored_;
  DynamicArray<T> room_;  // the added records, then room for more
  int32_t added_ = 0;
  PagesMappedAhead<T> pages_;  // of room_
};
