#include "map/road_class.h"

#include <array>

namespace {

constexpr std::array<std::string_view, kRoadClassCount> kClassNames = {
    "motorway", "trunk", "primary", "secondary", "tertiary", "minor", "service", "path"};

bool EqualIgnoringAsciiCase(std::string_view text, std::string_view lowerName) {
  if (text.size() != lowerName.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lowerName[i]) return false;
  }
  return true;
}

}  // namespace

RoadClass RoadClassFromText(std::string_view text) {
  for (int c = 0; c < kRoadClassCount; ++c)
    if (EqualIgnoringAsciiCase(text, kClassNames[c])) return static_cast<RoadClass>(c);
  return RoadClass::kMinor;
}
