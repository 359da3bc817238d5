#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "map/leading_digits.h"
#include "toolkit/text.h"

// A number of at most nine digits, after an optional minus, at text[at]:
// read into value, with at moved past it; false, with at anywhere, when
// there is none (also when at is past the end). Forced inline into every
// caller, as it runs for every number of a map.
[[gnu::always_inline]] inline bool TakeNumber(std::string_view text, size_t& at, int32_t& value) {
  if (at > text.size()) return false;
  const bool negative = at < text.size() && text[at] == '-';
  at += negative;
  uint32_t magnitude = 0;
  const size_t digits = LeadingDigits(text, at, magnitude);
  at += digits;
  value = negative ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
  return digits > 0;
}

// Whether a and b are the same word, ignoring the letter case of ASCII.
bool SameWord(std::string_view a, std::string_view b);

// The tokens of a line, on a view of the line: no token is copied unless it
// must be unquoted. Next(delimiter) gives the text up to the next delimiter
// or the end of the line (past the end, empty) and goes on after that
// delimiter; NextField gives the next comma-separated field of a .mid row,
// which may be quoted.
class LineTokens {
 public:
  explicit LineTokens(std::string_view line) : line_(line) {}

  std::string_view Next(char delimiter) {
    if (next_ >= line_.size()) return {};
    const size_t start = next_;
    next_ = Find(delimiter, start);
    return line_.substr(start, next_++ - start);
  }

  // The next token up to delimiter as a number, as StrToInt(Next(delimiter))
  // gives it, also for text that is not a number, which raises
  // EConvertError. The common token, an optional minus and one to nine
  // digits, cannot overflow: it is converted as it is scanned.
  int32_t NextInt(char delimiter) {
    size_t at = next_;
    int32_t value = 0;
    if (!TakeNumber(line_, at, value) || (at < line_.size() && line_[at] != delimiter))
      return StrToInt(Next(delimiter));
    next_ = at + 1;
    return value;
  }

  // The rest of the line, as the next token up to a line feed (which a line
  // never holds) would give it, without looking for one.
  std::string_view Rest() {
    if (next_ >= line_.size()) return {};
    const size_t start = next_;
    next_ = line_.size() + 1;
    return line_.substr(start);
  }

  // The next field of a row with text columns: up to the next comma; a
  // field that begins with a double quote runs to its closing quote, with
  // "" for a quote inside, and may hold commas. A view into the row, or, for
  // a field with doubled quotes or text after its closing quote, into the
  // field's unquoted copy, valid until the next call.
  std::string_view NextField();

 private:
  // The field at next_, which begins with a quote, character by character.
  std::string_view Unquoted();

  // The position of c from `from` on, or the line's length. Tokens are
  // short: a plain loop beats a call to memchr.
  size_t Find(char c, size_t from) const {
    while (from < line_.size() && line_[from] != c) ++from;
    return from;
  }

  std::string_view line_;
  size_t next_ = 0;  // where the next token starts; past the end once one ran to it
  std::string unquoted_;
};
