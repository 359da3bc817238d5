#pragma once

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

#include "toolkit/memory_pages.h"

// Runs first on a thread of its own while second runs on the calling
// thread, and returns once both are done: work shared by both cores. An
// exception either raises leaves from here, second's when both raise. When
// no thread can be had, first runs before second.
template <typename First, typename Second>
void RunTogether(First first, Second second) {
  std::exception_ptr firstFault;
  const auto runFirst = [&] {
    try {
      first();
    } catch (...) {
      firstFault = std::current_exception();
    }
  };
  std::thread thread;
  try {
    thread = std::thread(runFirst);
  } catch (const std::system_error&) {
    runFirst();
  }
  try {
    second();
  } catch (...) {
    if (thread.joinable()) thread.join();
    throw;
  }
  if (thread.joinable()) thread.join();
  if (firstFault) std::rethrow_exception(firstFault);
}

// Gives each of arrays (vectors) n zeroed elements, both cores first
// mapping their pages in one request a stretch at a time (see
// MapPagesForWriting), each taking the next stretch until none is left, as
// some pages cost far more than others: the large arrays of a map, faulted
// in a page at a time on one core, cost that core as much as the work that
// fills them. Arrays of less than a megabyte in all are sized on the
// calling thread.
template <typename... Arrays>
void ResizeOnBothCores(size_t n, Arrays&... arrays) {
  if (n * (sizeof(*arrays.data()) + ...) < (size_t{1} << 20)) return (arrays.resize(n), ...);
  (arrays.reserve(n), ...);
  (PreferLargePages(arrays.data(), n * sizeof(*arrays.data())), ...);
  constexpr size_t kStretch = size_t{1} << 20;  // elements of each array
  std::atomic<size_t> next{0};
  const auto mapStretches = [&] {
    for (size_t first; (first = next.fetch_add(kStretch)) < n;) {
      const size_t count = std::min(kStretch, n - first);
      (MapPagesForWriting(arrays.data() + first, count * sizeof(*arrays.data())), ...);
    }
  };
  RunTogether(mapStretches, mapStretches);
  (arrays.resize(n), ...);
}
