#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

// The decimal digits at text[from] on, at most nine: their count, and in
// value the number they write. A map's numbers are read by the hundred
// million; a loop that stops at the first non-digit mispredicts its exit on
// almost every number, as numbers differ in length. So up to eight digits
// are found and converted at once, from eight bytes read together, without
// a branch that depends on their count. from is at most text.size().
inline size_t LeadingDigits(std::string_view text, size_t from, uint32_t& value) {
  const size_t left = text.size() - from;
  if (left == 0 || text.size() < 8) {  // too short to read eight bytes from
    size_t count = 0;
    value = 0;
    for (uint32_t digit;
         count < left && count < 9 && (digit = uint8_t(text[from + count]) - uint32_t{'0'}) <= 9; ++count)
      value = value * 10 + digit;
    return count;
  }
  // The eight bytes from `from`, or, near the end, the bytes left below
  // zeros (which are no digits): text holds eight bytes to read either way.
  uint64_t bytes;
  if (left >= 8) {
    std::memcpy(&bytes, text.data() + from, 8);
  } else {
    std::memcpy(&bytes, text.data() + text.size() - 8, 8);
    bytes >>= 8 * (8 - left);
  }
  // Each byte, little end first, minus '0': a digit's value. A byte is no
  // digit when that is above 9 (it gets its top bit from adding 0x76) or
  // wrapped (its top bit already set). Adding may carry into the next byte,
  // but only out of a byte that is no digit: the first such byte is exact.
  const uint64_t values = bytes ^ 0x3030303030303030u;
  const uint64_t nonDigits = ((values + 0x7676767676767676u) | values) & 0x8080808080808080u;
  const size_t count = nonDigits != 0 ? static_cast<size_t>(__builtin_ctzll(nonDigits)) / 8 : 8;
  // The digits moved to the top bytes, the first digit the lowest of them,
  // then combined pairwise: tens and units, hundreds, ten thousands.
  uint64_t digits = count == 0 ? 0 : (values << 8 * (8 - count));
  digits = digits * 10 + (digits >> 8);
  digits = (((digits & 0x000000FF000000FFu) * (100 + (uint64_t{1000000} << 32))) +
            (((digits >> 16) & 0x000000FF000000FFu) * (1 + (uint64_t{10000} << 32)))) >>
           32;
  value = static_cast<uint32_t>(digits);
  if (count == 8 && left > 8) {
    const uint32_t ninth = uint8_t(text[from + 8]) - uint32_t{'0'};
    if (ninth <= 9) {
      value = value * 10 + ninth;
      return 9;
    }
  }
  return count;
}
