#pragma once

#include <cstdint>
#include <string>

// Converts text that is exactly an optional sign and decimal digits, with a
// value in the signed 32-bit range, to that value. Anything else (empty text,
// blanks, a decimal point, overflow) raises EConvertError naming the text.
int32_t StrToInt(const std::string& text);

// text between single quotes, safe to print in a message: a line feed,
// carriage return, tab and backslash are written \n, \r, \t and \\, every
// other byte outside the printable ASCII range as \xNN; text longer than 40
// characters is cut to its first 40, followed by "...".
std::string QuotedText(const std::string& text);

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
