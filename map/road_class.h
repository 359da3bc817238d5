#pragma once

#include <cstdint>
#include <string_view>

// A road's class, from the S layer's optional Class column: what a road map
// draws it as and from which zoom on. Ordered from the most important road
// down, so that a smaller value is a higher class.
enum class RoadClass : uint8_t {
  kMotorway,
  kTrunk,
  kPrimary,
  kSecondary,
  kTertiary,
  kMinor,
  kService,
  kPath
};

constexpr int kRoadClassCount = 8;

// The class a Class value names, the whole value compared with ASCII letter
// case ignored; any other value (blank, other words, control or non-ASCII
// bytes) is a minor road.
RoadClass RoadClassFromText(std::string_view text);

// Whether text is the name of a class, compared as RoadClassFromText
// compares it; roadClass is then set to that class.
bool NamedRoadClass(std::string_view text, RoadClass& roadClass);
