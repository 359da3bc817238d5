#pragma once

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

// Gives each of arrays (vectors) n zeroed elements, each core first mapping
// the pages of half of every array in one request (see
// MapPagesForWriting): the large arrays of a map, faulted in a page at a
// time on one core, cost that core as much as the work that fills them.
// Arrays of less than a megabyte in all are sized on the calling thread.
template <typename... Arrays>
void ResizeOnBothCores(size_t n, Arrays&... arrays) {
  if (n * (sizeof(*arrays.data()) + ...) < (size_t{1} << 20)) return (arrays.resize(n), ...);
  (arrays.reserve(n), ...);
  const auto mapPart = [&](size_t first, size_t last) {
    (MapPagesForWriting(arrays.data() + first, (last - first) * sizeof(*arrays.data())), ...);
  };
  RunTogether([&] { mapPart(0, n / 2); }, [&] { mapPart(n / 2, n); });
  (arrays.resize(n), ...);
}
