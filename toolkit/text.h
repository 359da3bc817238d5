#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Converts text that is exactly an optional sign and decimal digits, with a
// value in the signed 32-bit range, into value and returns true; returns
// false for anything else (empty text, blanks, a decimal point, overflow),
// leaving value as it was. Inline: the layer loader converts every number
// of a map with it.
inline bool TryStrToInt(std::string_view text, int32_t& value) {
  const char* at = text.data();
  const char* const end = at + text.size();
  const bool negative = at != end && *at == '-';
  if (at != end && (*at == '-' || *at == '+')) ++at;
  if (at == end) return false;
  // The magnitude in 64 bits, checked after each digit: it never passes
  // 10 * 2147483648 + 9.
  const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
  int64_t magnitude = 0;
  for (; at != end; ++at) {
    const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
    if (digit > 9) return false;
    magnitude = magnitude * 10 + digit;
    if (magnitude > limit) return false;
  }
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

// Raises EConvertError: text is not a whole decimal number in the signed
// 32-bit range. The message quotes the text (see QuotedText).
[[noreturn]] void RaiseNotAnInteger(std::string_view text);

// The value of text, which must be exactly an optional sign and decimal
// digits in the signed 32-bit range; anything else raises EConvertError
// naming the text.
inline int32_t StrToInt(std::string_view text) {
  int32_t value = 0;
  if (!TryStrToInt(text, value)) RaiseNotAnInteger(text);
  return value;
}

// text between single quotes, safe to print in a message: a line feed,
// carriage return, tab and backslash are written \n, \r, \t and \\, every
// other byte outside the printable ASCII range as \xNN; text longer than 40
// characters is cut to its first 40, followed by "...".
std::string QuotedText(std::string_view text);

// Plain decimal text of a value, with a leading "-" when it is negative.
std::string IntToStr(int64_t value);

// Formats of FloatToStrF. Only the fixed-point format exists, with its
// customary value 2.
enum TFloatFormat { ffFixed = 2 };

// Fixed-point text of value: an optional "-", the integer digits, and, when
// digits > 0, "." and exactly digits decimals. The value is rounded once, on
// its exact binary value, to precision significant digits but to no more
// than digits decimals, halves away from zero; places beyond the kept digits
// show 0. A value that rounds to zero shows no "-".
//
// When the rounded value's integer part has more than precision digits, the
// text is scientific instead: the precision significant digits as d.ddd (no
// "." when precision is 1), then "E+" and at least two exponent digits, e.g.
// "-1.2190417E+08". NaN gives "NAN", the infinities "INF" and "-INF".
// precision is taken within [1, 18] and digits within [0, 18]. The text
// never depends on the C locale.
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
