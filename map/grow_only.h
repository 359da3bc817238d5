#pragma once

#include <cstddef>
#include <vector>

// Makes array hold at least n elements. It never shrinks, so the elements
// past what a smaller map uses keep what a larger one left there. Raises
// std::bad_alloc, leaving the array as it was, when memory runs out.
template <typename T>
void GrowTo(std::vector<T>& array, size_t n) {
  if (array.size() < n) array.resize(n);
}
