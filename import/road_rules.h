#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/import_module.h"
#include "import/road_tags.h"
#include "map/road_class.h"

// How a road of the source may be travelled, with its name: its direction
// relative to its line (0 both ways, 1 only along it, -1 only against it),
// its speed in km/h (0 when the import has no speeds) and its class (minor
// when the import has no classes).
struct RoadTraits {
  std::string name;
  int8_t oneway = 0;
  double speed = 0;
  RoadClass roadClass = RoadClass::kMinor;
};

// What a node tagged `barrier` does to the roads through it.
enum class BarrierEffect : uint8_t { kNone, kPasses, kBlocks };

// The modes of travel a map may be made for.
enum class Profile : uint8_t { kAll, kCar, kBike, kFoot };

// Raises ImportUsageError when the request's travel options are wrong
// usage whatever the source: an unknown profile, a default speed below
// 0.1 km/h, or fields or a default speed given with a profile other than
// all.
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
//
// A road's class comes from its `highway` tag with car, bike and foot and
// for OpenStreetMap data, else from the class field when one is given, its
// value read as a `highway` value: motorway(_link) a motorway, trunk(_link)
// a trunk, and so on for primary, secondary and tertiary; unclassified,
// residential, living_street and road minor; service service; cycleway,
// footway, path, track, steps, pedestrian and bridleway path; any other
// value, compared as written, minor.
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
  // Whether the roads have classes, so that the map gets a Class column:
  // from `highway` with car, bike and foot and for OpenStreetMap data, from
  // the class field with all.
  bool HasClasses() const { return !classKey_.empty(); }
  // Whether the roads' speeds may fall back to the default speed.
  bool UsesDefaultSpeed() const { return !ReadsOsmTags() && HasSpeeds(); }
  double DefaultSpeedKmh() const { return defaultSpeedKmh_; }

  // The fields the rules read tags from: every field named after one of
  // these keys, and, when they read OpenStreetMap tags, `other_tags`.
  std::vector<std::string> Keys() const;
  // The fields a layer must have for the rules: `highway` for the car, bike
  // and foot profiles, the fields given for all.
  std::vector<std::string> RequiredFields() const;

  // What a node with the tags does to the profile's travel: kNone without a
  // `barrier` tag, and with the all profile. A car passes border_control,
  // toll_booth, toll_gantry, cattle_grid, gate, lift_gate, no, entrance,
  // sally_port, arch, height_restrictor, a kerb with kerb=lowered or flush
  // and a bollard with bollard=rising; every other value blocks it. Bikes
  // and walkers are blocked by wall, fence and yes only. The most specific
  // access tag present of the profile's (as for roads) decides over the
  // value: `no` or `private` blocks, anything else passes.
  BarrierEffect Barrier(const RoadTags& tags) const;
  // The profile the rules are for.
  Profile Mode() const { return profile_; }

  // Whether the road with the tags is kept; if so, its direction and speed
  // go into traits, and tookDefault says whether its speed is the default.
  bool Judge(const RoadTags& tags, RoadTraits& traits, bool& tookDefault) const;

 private:
  bool JudgeByFields(const RoadTags& tags, RoadTraits& traits, bool& tookDefault) const;

  Profile profile_ = Profile::kAll;
  std::string onewayField_, speedField_;
  std::string classField_;  // --class-field
  std::string classKey_;    // the tag or field the classes come from; empty: none
  double defaultSpeedKmh_ = 50;
  bool defaultGiven_ = false;
};
