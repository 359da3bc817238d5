#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The offset of the first line feed among the Bytes bytes at text[0], or
// Bytes when there is none; text holds that many bytes. A reader finds a
// line's end this way apart from the numbers before it, so that the next
// line's start does not wait for them to be converted: the lines of a file
// can then be read overlapped.

// Eight bytes at a time in a 64-bit word, on any machine.
template <size_t Bytes>
size_t FirstLineFeedByWords(const char* text) {
  static_assert(Bytes % 8 == 0);
  size_t first = Bytes;
  for (size_t w = Bytes / 8; w-- > 0;) {
    uint64_t word;
    std::memcpy(&word, text + 8 * w, 8);
    // A byte that is a line feed becomes zero; the lowest zero byte of a
    // word is the only one whose top bit the subtraction sets for certain.
    word ^= 0x0A0A0A0A0A0A0A0Au;
    const uint64_t found = (word - 0x0101010101010101u) & ~word & 0x8080808080808080u;
    first = found != 0 ? 8 * w + size_t(__builtin_ctzll(found)) / 8 : first;
  }
  return first;
}

// Sixteen bytes at a time where the machine compares them at once, as
// every x86-64 does: a third of the instructions.
template <size_t Bytes>
size_t FirstLineFeed(const char* text) {
  static_assert(Bytes % 16 == 0 && Bytes <= 32);
#ifdef __SSE2__
  uint32_t found = 0;
  for (size_t k = 0; k < Bytes / 16; ++k) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 16 * k));
    found |= static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')))) << 16 * k;
  }
  return found != 0 ? size_t(__builtin_ctz(found)) : Bytes;
#else
  return FirstLineFeedByWords<Bytes>(text);
#endif
}
