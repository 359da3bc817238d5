#include "toolkit/case_folding.h"

#include <QString>
#include <algorithm>

std::string CaseFolded(std::string_view text) {
  // ASCII alone, as most map texts are, folds to its lower case without a
  // trip through UTF-16.
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::string folded(text);
    for (char& c : folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
  }
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toCaseFolded().toStdString();
}
