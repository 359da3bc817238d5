#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

// Maps the pages that lie wholly within [begin, begin + bytes) now, ready
// to be written, in one request, rather than one fault at a time as each is
// first written; every byte keeps its value (zero, in a page never
// written). For memory about to be filled: a load fills hundreds of
// megabytes, and where page faults are dear, as in a virtual machine, one
// request for many pages costs a fraction of their faults. A hint: where
// the system cannot, the pages are mapped as they are written, as ever.
void MapPagesForWriting(void* begin, size_t bytes);

// Asks that the pages of [begin, begin + bytes) not yet mapped be mapped as
// the system's large pages (2 MiB each, on most machines) wherever whole
// ones fit: for a block filled from its start on. A large page is mapped
// whole at its first write (or at a request to map part of it), so a block
// filled only in part maps up to two large pages beyond its filling. One
// large page costs a fraction of its 512 small ones to map, to keep track
// of and to give back when the program ends, and a load maps hundreds of
// megabytes. A hint, like MapPagesForWriting: where the system has no large
// page free or none at all, small ones are mapped as ever.
void PreferLargePages(void* begin, size_t bytes);

// Keeps the pages of a block being filled in order mapped a stretch ahead of
// its filling, by MapPagesForWriting: for a block whose size is not known
// beforehand, made larger than it will be filled.
template <typename T>
class PagesMappedAhead {
 public:
  // Before element `index` of the block at base, of capacity elements, is
  // first written. A new block (one that replaced the last, say) is asked
  // for large pages throughout and mapped from index on.
  void Before(T* base, size_t index, size_t capacity) {
    const auto at = reinterpret_cast<uintptr_t>(base);
    if (at == base_ && index < mapped_) return;
    if (at != base_) PreferLargePages(base, capacity * sizeof(T));
    base_ = at;
    mapped_ = std::min(capacity, index + kStretch);
    if (mapped_ > index) MapPagesForWriting(base + index, (mapped_ - index) * sizeof(T));
  }

 private:
  static constexpr size_t kStretch = (size_t{1} << 20) / sizeof(T);

  uintptr_t base_ = 0;  // the block's address, compared only
  size_t mapped_ = 0;   // the end of the stretch mapped ahead, by index
};
