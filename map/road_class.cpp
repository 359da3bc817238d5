#include "map/road_class.h"

#include <array>

namespace {

constexpr std::array<std::string_view, kRoadClassCount> kClassNames = {
    "motorway", "trunk", "primary", "secondary", "tertiary", "minor", "service", "path"};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringAsciiCase(std::string_view text, std::string_view lowerName) {
  if (text.size() != lowerName.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (LowerAscii(text[i]) != lowerName[i]) return false;
  return true;
}

}  // namespace

bool NamedRoadClass(std::string_view text, RoadClass& roadClass) {
  if (text.empty()) return false;
  // Every row of a large map has a class: the first letter rules out most
  // names at once.
  const char first = LowerAscii(text[0]);
  for (int c = 0; c < kRoadClassCount; ++c) {
    if (kClassNames[c][0] == first && EqualIgnoringAsciiCase(text, kClassNames[c])) {
      roadClass = static_cast<RoadClass>(c);
      return true;
    }
  }
  return false;
}

RoadClass RoadClassFromText(std::string_view text) {
  RoadClass roadClass = RoadClass::kMinor;
  NamedRoadClass(text, roadClass);
  return roadClass;
}
