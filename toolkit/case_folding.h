#pragma once

#include <string>
#include <string_view>

// text, read as UTF-8, with every character replaced by its Unicode simple
// case folding, as UTF-8: texts that differ only in letter case ("Mühlweg",
// "MÜHLWEG") come out the same, so that a folded text contains another
// folded one whenever it does so ignoring case. A byte that is not part of
// valid UTF-8 becomes U+FFFD.
std::string CaseFolded(std::string_view text);
