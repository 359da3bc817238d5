#include "import/road_rules.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <iterator>

#include "import/import_error.h"
#include "import/import_request.h"
#include "import/safe_text.h"

namespace {

// Whether a mode of travel uses a class of road: never, always, or only
// where a tag allows it (`bicycle` for bikes, `foot` for walkers, `yes` or
// `designated`).
enum class Use : uint8_t { kNo, kYes, kIfAllowed };

struct HighwayClass {
  const char* highway;
  double carSpeed;  // km/h; 0: not a road for cars
  Use bike, foot;
  RoadClass drawnAs;
};

constexpr Use kNo = Use::kNo, kYes = Use::kYes, kIfAllowed = Use::kIfAllowed;
constexpr RoadClass kMotorway = RoadClass::kMotorway, kTrunk = RoadClass::kTrunk,
                    kPrimary = RoadClass::kPrimary, kSecondary = RoadClass::kSecondary,
                    kTertiary = RoadClass::kTertiary, kMinor = RoadClass::kMinor,
                    kService = RoadClass::kService, kPath = RoadClass::kPath;
constexpr HighwayClass kHighways[] = {
    {"motorway", 90, kNo, kNo, kMotorway},
    {"motorway_link", 45, kNo, kNo, kMotorway},
    {"trunk", 85, kNo, kNo, kTrunk},
    {"trunk_link", 40, kNo, kNo, kTrunk},
    {"primary", 65, kYes, kYes, kPrimary},
    {"primary_link", 30, kYes, kYes, kPrimary},
    {"secondary", 55, kYes, kYes, kSecondary},
    {"secondary_link", 25, kYes, kYes, kSecondary},
    {"tertiary", 40, kYes, kYes, kTertiary},
    {"tertiary_link", 20, kYes, kYes, kTertiary},
    {"unclassified", 25, kYes, kYes, kMinor},
    {"residential", 25, kYes, kYes, kMinor},
    {"living_street", 10, kYes, kYes, kMinor},
    {"service", 15, kYes, kYes, kService},
    {"road", 25, kYes, kYes, kMinor},
    {"cycleway", 0, kYes, kIfAllowed, kPath},
    {"path", 0, kYes, kYes, kPath},
    {"track", 0, kYes, kYes, kPath},
    {"footway", 0, kIfAllowed, kYes, kPath},
    {"pedestrian", 0, kIfAllowed, kYes, kPath},
    {"steps", 0, kNo, kYes, kPath},
    {"bridleway", 0, kNo, kNo, kPath},
};

// The profiles' names, in the order of Profile.
constexpr const char* kProfileNames[] = {"all", "car", "bike", "foot"};
constexpr double kBikeSpeed = 15, kFootSpeed = 5;
constexpr double kKilometresPerMile = 1.609344;
// The slowest speed a road is driven at, in km/h: a slower one is no speed.
constexpr double kSlowestKmh = 0.1;

// Whether value is present and one of the texts.
bool Is(const std::string* value, std::initializer_list<const char*> texts) {
  if (!value) return false;
  for (const char* text : texts)
    if (*value == text) return true;
  return false;
}

// Whether value is present and, ignoring the letter case of ASCII, one of
// the lower-case texts.
bool IsIgnoringCase(const std::string* value, std::initializer_list<const char*> texts) {
  if (!value) return false;
  std::string lower = *value;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return Is(&lower, texts);
}

// The class of road a `highway` value names, compared as written, or null
// for one outside the table.
const HighwayClass* ClassOf(const std::string* highway) {
  if (!highway) return nullptr;
  for (const HighwayClass& c : kHighways)
    if (*highway == c.highway) return &c;
  return nullptr;
}

// Whether the first of the access keys present, the most specific, says
// `no` or `private`.
bool Forbidden(const RoadTags& tags, std::initializer_list<const char*> keys) {
  for (const char* key : keys)
    if (const std::string* value = tags.Find(key)) return Is(value, {"no", "private"});
  return false;
}

// The access keys of a profile, the most specific first.
std::initializer_list<const char*> AccessKeys(Profile profile) {
  static constexpr std::initializer_list<const char*> kCar = {"motorcar", "motor_vehicle", "vehicle",
                                                              "access"},
                                                      kBike = {"bicycle", "vehicle", "access"},
                                                      kFoot = {"foot", "access"};
  switch (profile) {
    case Profile::kCar:
      return kCar;
    case Profile::kBike:
      return kBike;
    case Profile::kFoot:
      return kFoot;
    case Profile::kAll:
      break;
  }
  return {};
}

// Whether a car passes a barrier of the given value, its tags read for the
// kind of kerb or bollard.
bool CarPasses(const std::string& barrier, const RoadTags& tags) {
  if (barrier == "kerb") return Is(tags.Find("kerb"), {"lowered", "flush"});
  if (barrier == "bollard") return Is(tags.Find("bollard"), {"rising"});
  return Is(&barrier, {"border_control", "toll_booth", "toll_gantry", "cattle_grid", "gate", "lift_gate",
                       "no", "entrance", "sally_port", "arch", "height_restrictor"});
}

// Whether a mode that makes the use of a class of road may use this road,
// allowingKey being the tag that opens a road to it.
bool Allowed(Use use, const RoadTags& tags, const char* allowingKey) {
  return use == kYes || (use == kIfAllowed && Is(tags.Find(allowingKey), {"yes", "designated"}));
}

// The direction a car may drive the road: 0 both ways, 1 along the way, -1
// against it.
int8_t CarDirection(const RoadTags& tags) {
  const std::string* oneway = tags.Find("oneway");
  if (Is(oneway, {"yes", "true", "1"})) return 1;
  if (Is(oneway, {"-1", "reverse"})) return -1;
  if (Is(oneway, {"no", "false", "0"})) return 0;
  const bool oneWayByKind = Is(tags.Find("junction"), {"roundabout", "circular"}) ||
                            Is(tags.Find("highway"), {"motorway", "motorway_link"});
  return oneWayByKind ? 1 : 0;
}

// The direction a bike may ride the road, as CarDirection.
int8_t BikeDirection(const RoadTags& tags) {
  const std::string* oneway = tags.Find("oneway:bicycle");
  if (Is(oneway, {"yes"})) return 1;
  if (Is(oneway, {"no"}) || Is(tags.Find("cycleway"), {"opposite", "opposite_lane", "opposite_track"}))
    return 0;
  return CarDirection(tags);
}

// The positive decimal number (digits, then optionally a point and digits)
// that text begins with, and in end where it ends; 0 when there is none.
double LeadingNumber(const std::string& text, size_t& end) {
  const auto digitsFrom = [&text](size_t i) {
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i;
  };
  end = digitsFrom(0);
  if (end == 0) return 0;
  if (end + 1 < text.size() && text[end] == '.' && digitsFrom(end + 1) > end + 1) end = digitsFrom(end + 1);
  return std::strtod(text.substr(0, end).c_str(), nullptr);
}

// A speed in km/h written as a number alone, or, when mph is true, also
// followed by " mph"; 0 for anything else and for a speed below the
// slowest.
double SpeedIn(const std::string* text, bool mph) {
  if (!text) return 0;
  size_t end = 0;
  double value = LeadingNumber(*text, end);
  if (end != text->size())
    value = mph && text->compare(end, std::string::npos, " mph") == 0 ? value * kKilometresPerMile : 0;
  return std::isfinite(value) && value >= kSlowestKmh ? value : 0;  // not too many digits
}

// The profile the request names; raises ImportUsageError for an unknown one.
Profile NamedProfile(const char* name) {
  for (size_t p = 0; p < std::size(kProfileNames); ++p)
    if (std::string(name) == kProfileNames[p]) return static_cast<Profile>(p);
  throw ImportUsageError("--profile takes car, bike, foot or all");
}

// What the request's options that read the source's own fields, which go
// with the all profile only, are told when given with another; empty when
// none is given.
std::string OwnFieldsMisused(const RuvelImportRequest& request) {
  if (!OptionText(request.onewayField).empty() || !OptionText(request.speedField).empty() ||
      request.hasDefaultSpeed)
    return "--oneway-field, --speed-field and --default-speed go with --profile all, not ";
  if (!OptionText(request.classField).empty()) return "--class-field goes with --profile all, not ";
  return "";
}

}  // namespace

void CheckTravelOptions(const RuvelImportRequest& request) {
  if (request.hasDefaultSpeed &&
      !(request.defaultSpeedKmh >= kSlowestKmh && std::isfinite(request.defaultSpeedKmh)))
    throw ImportUsageError("--default-speed takes a speed of at least 0.1 km/h");
  if (!request.profile) return;
  const Profile profile = NamedProfile(request.profile);
  const std::string misused = OwnFieldsMisused(request);
  if (profile != Profile::kAll && !misused.empty()) throw ImportUsageError(misused + request.profile);
}

RoadRules::RoadRules(const RuvelImportRequest& request, bool openStreetMap)
    : profile_(request.profile ? NamedProfile(request.profile)
                               : (openStreetMap ? Profile::kCar : Profile::kAll)),
      onewayField_(OptionText(request.onewayField)),
      speedField_(OptionText(request.speedField)),
      defaultSpeedKmh_(request.hasDefaultSpeed ? request.defaultSpeedKmh : 50),
      defaultGiven_(request.hasDefaultSpeed != 0) {
  CheckTravelOptions(request);
  classField_ = OptionText(request.classField);
  classKey_ = !classField_.empty() ? classField_ : (ReadsOsmTags() || openStreetMap) ? "highway" : "";
  const std::string misused = OwnFieldsMisused(request);
  if (ReadsOsmTags() && !misused.empty())
    throw ImportUsageError(misused + ProfileName() +
                           " (the profile of OpenStreetMap data unless told otherwise)");
}

const char* RoadRules::ProfileName() const { return kProfileNames[static_cast<size_t>(profile_)]; }

std::vector<std::string> RoadRules::Keys() const {
  if (ReadsOsmTags())
    return {"highway", "area",   "motorcar",       "motor_vehicle", "vehicle",  "access",   "bicycle",
            "foot",    "oneway", "oneway:bicycle", "oneway:foot",   "junction", "cycleway", "maxspeed"};
  std::vector<std::string> keys;
  for (const std::string* field : {&onewayField_, &speedField_, &classKey_})
    if (!field->empty()) keys.push_back(*field);
  return keys;
}

std::vector<std::string> RoadRules::RequiredFields() const {
  if (ReadsOsmTags()) return {"highway"};
  std::vector<std::string> fields;
  for (const std::string* field : {&onewayField_, &speedField_, &classField_})
    if (!field->empty()) fields.push_back(*field);
  return fields;
}

bool RoadRules::JudgeByFields(const RoadTags& tags, RoadTraits& traits, bool& tookDefault) const {
  if (!onewayField_.empty()) {
    const std::string* oneway = tags.Find(onewayField_);
    traits.oneway = IsIgnoringCase(oneway, {"yes", "true", "1", "ft"}) ? 1
                    : IsIgnoringCase(oneway, {"-1", "reverse", "tf"})  ? -1
                                                                       : 0;
  }
  if (HasSpeeds()) {
    traits.speed = speedField_.empty() ? 0 : SpeedIn(tags.Find(speedField_), false);
    tookDefault = traits.speed <= 0;
    if (tookDefault) traits.speed = defaultSpeedKmh_;
  }
  return true;
}

bool RoadRules::Judge(const RoadTags& tags, RoadTraits& traits, bool& tookDefault) const {
  tookDefault = false;
  if (HasClasses()) {
    const HighwayClass* drawn = ClassOf(tags.Find(classKey_));
    traits.roadClass = drawn ? drawn->drawnAs : RoadClass::kMinor;
  }
  if (!ReadsOsmTags()) return JudgeByFields(tags, traits, tookDefault);
  const HighwayClass* road = ClassOf(tags.Find("highway"));
  if (!road || Is(tags.Find("area"), {"yes"})) return false;
  switch (profile_) {
    case Profile::kCar:
      if (road->carSpeed == 0 || Forbidden(tags, AccessKeys(Profile::kCar))) return false;
      traits.oneway = CarDirection(tags);
      traits.speed = SpeedIn(tags.Find("maxspeed"), true);
      if (!(traits.speed > 0)) traits.speed = road->carSpeed;
      return true;
    case Profile::kBike:
      if (!Allowed(road->bike, tags, "bicycle") || Forbidden(tags, AccessKeys(Profile::kBike))) return false;
      traits.oneway = BikeDirection(tags);
      traits.speed = kBikeSpeed;
      return true;
    case Profile::kFoot:
      if (!Allowed(road->foot, tags, "foot") || Forbidden(tags, AccessKeys(Profile::kFoot))) return false;
      traits.oneway = Is(tags.Find("oneway:foot"), {"yes"}) ? 1 : 0;
      traits.speed = kFootSpeed;
      return true;
    case Profile::kAll:
      break;
  }
  return false;
}

BarrierEffect RoadRules::Barrier(const RoadTags& tags) const {
  const std::string* barrier = tags.Find("barrier");
  if (!barrier || profile_ == Profile::kAll) return BarrierEffect::kNone;
  for (const char* key : AccessKeys(profile_))
    if (const std::string* value = tags.Find(key))
      return Is(value, {"no", "private"}) ? BarrierEffect::kBlocks : BarrierEffect::kPasses;
  const bool passes =
      profile_ == Profile::kCar ? CarPasses(*barrier, tags) : !Is(barrier, {"wall", "fence", "yes"});
  return passes ? BarrierEffect::kPasses : BarrierEffect::kBlocks;
}
