#include "import/safe_text.h"

#include <cstdint>

namespace {

// The length of the valid UTF-8 character at text[i] (shortest form, no
// surrogate, at most U+10FFFF) and its code point; 0 when the byte there
// starts none.
size_t DecodeCharacter(std::string_view text, size_t i, uint32_t& code) {
  const auto byte = [&text](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length = 0;
  uint32_t smallest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1Fu, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0Fu, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07u, smallest = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i + k) & 0x3Fu);
  }
  const bool valid = code >= smallest && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
  return valid ? length : 0;
}

// The format characters (Unicode's general category Cf: bidirectional
// overrides, zero-width characters, the byte order mark, ...), as ranges of
// code points, first and last.
constexpr uint32_t kFormatCharacters[][2] = {
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},
    {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x202A, 0x202E},
    {0x2060, 0x2064},   {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
    {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
};

// Whether the code point is a C0 or C1 control character, DEL or a format
// character, none of which a name shows as itself.
bool IsControl(uint32_t code) {
  if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return true;
  if (code < kFormatCharacters[0][0]) return false;  // the rest of Latin-1 and ASCII
  for (const auto& range : kFormatCharacters)
    if (code >= range[0] && code <= range[1]) return true;
  return false;
}

// Escapes one byte for the terminal.
std::string Escaped(unsigned char byte) {
  if (byte == '\n') return "\\n";
  if (byte == '\r') return "\\r";
  if (byte == '\t') return "\\t";
  static const char kHex[] = "0123456789abcdef";
  return {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
}

// Calls valid(code, bytes) for each valid UTF-8 character of text and
// invalid(byte) for each byte that starts none, in order.
template <typename Valid, typename Invalid>
void ForEachCharacter(std::string_view text, Valid valid, Invalid invalid) {
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    const size_t length = DecodeCharacter(text, i, code);
    if (length == 0) {
      invalid(static_cast<unsigned char>(text[i]));
      ++i;
    } else {
      valid(code, text.substr(i, length));
      i += length;
    }
  }
}

}  // namespace

std::string PrintableText(std::string_view text) {
  std::string printable;
  printable.reserve(text.size());
  const auto escape = [&printable](unsigned char byte) { printable += Escaped(byte); };
  ForEachCharacter(
      text,
      [&](uint32_t code, std::string_view bytes) {
        if (IsControl(code)) {
          for (const char byte : bytes) escape(static_cast<unsigned char>(byte));
        } else {
          printable += code == '\\' ? std::string_view("\\\\") : bytes;
        }
      },
      escape);
  return printable;
}

std::string CleanName(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  ForEachCharacter(
      text, [&clean](uint32_t code, std::string_view bytes) { clean += IsControl(code) ? " " : bytes; },
      [&clean](unsigned char) { clean += "\xEF\xBF\xBD"; });  // U+FFFD, the replacement character
  return clean;
}
