#pragma once

#include <string>
#include <string_view>

// Text from a source as the terminal may show it: valid UTF-8 stays as it
// is, except that control characters (C0, DEL and C1, and the format
// characters of Unicode's category Cf such as bidirectional overrides and
// zero-width characters), backslashes and bytes
// that are not valid UTF-8 are written as escapes (\n, \r, \t, \\, \xNN), so
// that no escape sequence of the source reaches the terminal.
std::string PrintableText(std::string_view text);

// Text from a source as a map's .mid file may hold it: valid UTF-8 in which
// each invalid byte became U+FFFD and each control character (as
// PrintableText counts them) a blank.
std::string CleanName(std::string_view text);
