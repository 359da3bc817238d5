#pragma once

#include <cstddef>
#include <vector>

#include "toolkit/memory_pages.h"

// Makes array hold at least n elements. It never shrinks, so the elements
// past what a smaller map uses keep what a larger one left there. Raises
// std::bad_alloc, leaving the array as it was, when memory runs out.
template <typename T>
void GrowTo(std::vector<T>& array, size_t n) {
  if (array.size() < n) array.resize(n);
}

// An array of n value-initialised elements whose pages are mapped in one
// request before they are written, rather than one fault at a time: for
// the arrays that every start of the program makes, which would otherwise
// cost it a thousand faults.
template <typename T>
std::vector<T> MappedArray(size_t n) {
  std::vector<T> array;
  array.reserve(n);
  MapPagesForWriting(array.data(), n * sizeof(T));
  array.resize(n);
  return array;
}
