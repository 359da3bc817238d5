// Text from a source is shown and written only as characters that show as
// themselves: checked for every code point against Qt's own character
// categories.
#include <gtest/gtest.h>

#include <QChar>
#include <string>

#include "import/safe_text.h"

namespace {

// The UTF-8 bytes of a code point.
std::string Utf8(char32_t code) {
  std::string bytes;
  if (code < 0x80) {
    bytes += static_cast<char>(code);
  } else if (code < 0x800) {
    bytes += static_cast<char>(0xC0 | code >> 6);
    bytes += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    bytes += static_cast<char>(0xE0 | code >> 12);
    bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    bytes += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    bytes += static_cast<char>(0xF0 | code >> 18);
    bytes += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    bytes += static_cast<char>(0x80 | (code & 0x3F));
  }
  return bytes;
}

}  // namespace

// A control or format character (bidirectional overrides, zero-width
// characters) becomes a blank in a name and an escape in printed text; every
// other character stays as it is.
TEST(SafeText, ControlAndFormatCharactersNeverShow) {
  int mismatches = 0;
  for (char32_t code = 0; code <= 0x10FFFF; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;  // surrogates are not characters
    const QChar::Category category = QChar::category(code);
    if (category == QChar::Other_NotAssigned) continue;  // perhaps assigned since Qt's Unicode version
    const bool hidden = category == QChar::Other_Control || category == QChar::Other_Format;
    const std::string text = Utf8(code);
    const bool blanked = CleanName(text) != text;
    const bool escaped = PrintableText(text) != text;
    if (blanked != hidden || escaped != (hidden || code == '\\')) {
      if (++mismatches <= 10) ADD_FAILURE() << std::hex << "U+" << static_cast<uint32_t>(code);
    }
  }
  EXPECT_EQ(mismatches, 0);
}
