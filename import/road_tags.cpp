#include "import/road_tags.h"

namespace {

// Reads the quoted text that starts at text[at] into out, undoing its
// backslash escapes, and moves at past its closing quote. Returns false
// when there is no quote at text[at] or no closing one.
bool ReadQuoted(std::string_view text, size_t& at, std::string& out) {
  if (at >= text.size() || text[at] != '"') return false;
  out.clear();
  for (size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      at = i + 1;
      return true;
    }
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return false;
}

}  // namespace

void RoadTags::AddOtherTags(std::string_view text) {
  std::string key, value;
  for (size_t at = 0; at < text.size();) {
    if (!ReadQuoted(text, at, key) || text.substr(at, 2) != "=>") return;
    at += 2;
    if (!ReadQuoted(text, at, value)) return;
    Add(key, value);
    if (at < text.size() && text[at] != ',') return;
    ++at;
  }
}

const std::string* RoadTags::Find(std::string_view key) const {
  for (const auto& [k, v] : tags_)
    if (k == key) return &v;
  return nullptr;
}
