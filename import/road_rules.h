#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/import_module.h"
#include "import/road_tags.h"

// How a road of the source may be travelled, with its name: its direction
// relative to its line (0 both ways, 1 only along it, -1 only against it)
// and its speed in km/h (0 when the import has no speeds).
struct RoadTraits {
  std::string name;
  int8_t oneway = 0;
  double speed = 0;
};

// The modes of travel a map may be made for.
enum class Profile : uint8_t { kAll, kCar, kBike, kFoot };

// Raises ImportUsageError when the request's travel options are wrong
// usage whatever the source: an unknown profile, a default speed below
// 0.1 km/h, or fields or a default speed given with a profile other than all.
void CheckTravelOptions(const RuvelImportRequest& request);

// Which roads a mode of travel uses, which way and how fast.
//
// The car, bike and foot profiles read OpenStreetMap tags: a road is kept by
// its `highway` class, unless it is an area or the most specific access tag
// present forbids it (`no` or `private`); `oneway` (and for bikes
// `oneway:bicycle` and `cycleway=opposite...`, for walkers only
// `oneway:foot`) gives its direction, roundabouts and motorways being one
// way unless tagged otherwise; cars drive at `maxspeed` (km/h, or a number
// followed by " mph") or at a speed for the road's class, bikes at 15 and
// walkers at 5 km/h.
//
// The all profile keeps every road, both ways and without speeds, unless
// fields give its direction (ignoring letter case, `yes`, `true`, `1`,
// `FT` along the line; `-1`, `reverse`, `TF` against it; anything else
// both ways) or its speed (a number of km/h, at least 0.1; anything else takes
// the default speed, as does every road when only a default is given).
class RoadRules {
 public:
  // The all profile without fields: every road both ways, no speeds.
  RoadRules() = default;

  // The rules the request asks for, for a source that is OpenStreetMap data
  // or not (car by default for OpenStreetMap data, else all). Raises
  // ImportUsageError as CheckTravelOptions does, and also for fields or a
  // default speed given with the default profile of OpenStreetMap data.
  RoadRules(const RuvelImportRequest& request, bool openStreetMap);

  // The profile's name: car, bike, foot or all.
  const char* ProfileName() const;
  // Whether the rules read OpenStreetMap tags (car, bike, foot).
  bool ReadsOsmTags() const { return profile_ != Profile::kAll; }
  // Whether the roads have directions and speeds, so that the map gets
  // Oneway and Duration columns.
  bool HasDirections() const { return ReadsOsmTags() || !onewayField_.empty(); }
  bool HasSpeeds() const { return ReadsOsmTags() || !speedField_.empty() || defaultGiven_; }
  // Whether the roads' speeds may fall back to the default speed.
  bool UsesDefaultSpeed() const { return !ReadsOsmTags() && HasSpeeds(); }
  double DefaultSpeedKmh() const { return defaultSpeedKmh_; }

  // The fields the rules read tags from: every field named after one of
  // these keys, and, when they read OpenStreetMap tags, `other_tags`.
  std::vector<std::string> Keys() const;
  // The fields a layer must have for the rules: `highway` for the car, bike
  // and foot profiles, the named fields for all.
  std::vector<std::string> RequiredFields() const;

  // Whether the road with the tags is kept; if so, its direction and speed
  // go into traits, and tookDefault says whether its speed is the default.
  bool Judge(const RoadTags& tags, RoadTraits& traits, bool& tookDefault) const;

 private:
  bool JudgeByFields(const RoadTags& tags, RoadTraits& traits, bool& tookDefault) const;

  Profile profile_ = Profile::kAll;
  std::string onewayField_, speedField_;
  double defaultSpeedKmh_ = 50;
  bool defaultGiven_ = false;
};
