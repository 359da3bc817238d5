#pragma once

#include <cstddef>
#include <exception>
#include <thread>

// Runs work(begin, end) over [0, n) split at split (n / 2 unless given):
// the first part on this thread, the second on another at the same time.
// work must be safe to run on both parts at once. Raises what either part
// raised, the first part's first.
template <typename Work>
void OnTwoThreads(size_t n, Work work, size_t split = static_cast<size_t>(-1)) {
  if (split > n) split = n / 2;
  std::exception_ptr secondFailure;
  std::thread second([&]() {
    try {
      work(split, n);
    } catch (...) {
      secondFailure = std::current_exception();
    }
  });
  try {
    work(size_t{0}, split);
  } catch (...) {
    second.join();
    throw;
  }
  second.join();
  if (secondFailure) std::rethrow_exception(secondFailure);
}
