#include "map/line_tokens.h"

#include <algorithm>
#include <cctype>

bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view LineTokens::NextField() {
  if (next_ >= line_.size() || line_[next_] != '"') return Next(',');
  const size_t start = next_;
  const size_t close = Find('"', start + 1);
  if (close == line_.size() || (close + 1 < line_.size() && line_[close + 1] != ',')) return Unquoted();
  next_ = close + 2;
  return line_.substr(start + 1, close - start - 1);
}

std::string_view LineTokens::Unquoted() {
  unquoted_.clear();
  bool quoted = true;
  for (++next_; next_ < line_.size(); ++next_) {
    const char c = line_[next_];
    if (quoted && c == '"') {
      quoted = next_ + 1 < line_.size() && line_[next_ + 1] == '"';
      if (quoted) unquoted_ += '"', ++next_;
      continue;
    }
    if (!quoted && c == ',') break;
    unquoted_ += c;
  }
  ++next_;
  return unquoted_;
}
