#pragma once

#include <cstdint>
#include <string>

// Converts text that is exactly an optional sign and decimal digits, with a
// value in the signed 32-bit range, to that value. Anything else (empty text,
// blanks, a decimal point, overflow) raises EConvertError naming the text.
int32_t StrToInt(const std::string& text);

// Plain decimal text of a value, with a leading "-" when it is negative.
std::string IntToStr(int64_t value);
