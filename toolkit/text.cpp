#include "toolkit/text.h"

#include "toolkit/exceptions.h"

int32_t StrToInt(const std::string& text) {
  const auto fail = [&text]() -> int32_t {
    throw EConvertError("'" + text + "' is not a valid integer value");
  };
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
  if (i == text.size()) return fail();
  // Accumulate the magnitude in 64 bits; 11 digits already exceed the range.
  const int64_t limit = negative ? INT64_C(2147483648) : INT64_C(2147483647);
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return fail();
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return fail();
  }
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

std::string IntToStr(int64_t value) { return std::to_string(value); }
