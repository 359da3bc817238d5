#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "import/road_rules.h"
#include "import/turn_restrictions.h"

namespace osmium {
class Relation;
}

// Why a turn restriction of the source is not written.
enum class RestrictionSkip : uint8_t {
  kExcept,           // its except= names the profile's vehicle
  kConditional,      // only restriction:conditional applies
  kOnRed,            // no_*_on_red
  kUnknownValue,     // neither no_* nor only_*
  kMembers,          // several from or to, or members of the wrong kind
  kNotAtVia,         // a from or to that does not begin or end at the via
  kNotKeptRoad,      // a member that is not a kept road, or not in the file
  kViaNotJoined,     // via ways that do not join up
  kThroughBarrier,   // through a blocking barrier
  kTooLong,          // a row longer than 255 characters
  kConflictingOnly,  // two only_* from the same From to different To
  kDuplicate,        // the same row again
};
constexpr size_t kRestrictionSkipCount = 12;

// Turn restrictions read, written, and skipped by reason, for the report.
struct RestrictionCounts {
  int64_t read = 0;  // relations that restrict the profile
  int64_t written = 0;
  std::array<int64_t, kRestrictionSkipCount> skipped{};

  void Skip(RestrictionSkip why) { ++skipped[static_cast<size_t>(why)]; }
  // The skipped, as "N reason, ..." (empty for none).
  std::string SkippedText() const;
};

// A restriction relation of the source for the profile, as read: its
// value, whether it is only_*, and its members' ids, which
// IndexRestrictionMembers turns into indices among the ways and nodes read.
struct OsmRestriction {
  std::string rule;
  bool only = false;
  std::vector<int64_t> from, to, viaWays;
  int64_t viaNode = 0;
  bool viaIsNode = false;
};

// Reads a relation as a turn restriction for the profile: for car the most
// specific of restriction:motorcar, restriction:motor_vehicle,
// restriction:vehicle and restriction, for bike restriction:bicycle; none
// for foot and all. Returns false for a relation that is no restriction of
// the profile, and for one skipped (then counted in counts): except= naming
// the profile's vehicle, restriction:conditional alone, no_*_on_red, a value
// neither no_* nor only_* (of lower-case letters and underscores, at most
// 32), or members other than way `from`s and `to`s and one via node or via
// ways (several from only for no_entry, several to only for no_exit).
bool ReadOsmRestriction(const osmium::Relation& relation, Profile profile, OsmRestriction& out,
                        RestrictionCounts& counts);

// What resolving restrictions needs of the ways read and the network built
// from them.
class RestrictedWays {
 public:
  virtual ~RestrictedWays() = default;
  // The index (among the nodes) of the way's first and last node.
  virtual uint32_t FirstNode(int64_t way) const = 0;
  virtual uint32_t LastNode(int64_t way) const = 0;
  // The junction code of a node, 0 when it is none (or a blocking barrier).
  virtual int32_t NodeCode(uint32_t node) const = 0;
  // Whether a node of the way, or the node, is a blocking barrier.
  virtual bool WayBlocked(int64_t way) const = 0;
  virtual bool NodeBlocks(uint32_t node) const = 0;
  // The way's segments, in order along it: [first, end).
  virtual std::pair<int32_t, int32_t> Segments(int64_t way) const = 0;
  // A segment's junction codes.
  virtual std::pair<int32_t, int32_t> SegmentEnds(int32_t segment) const = 0;
};

// Turns the restrictions' member ids into indices among the ways (their
// ids in wayIds, in any order) and nodes (nodeIds, ascending), -1 for an id
// that is not there.
void IndexRestrictionMembers(std::vector<OsmRestriction>& restrictions, const std::vector<int64_t>& wayIds,
                             const std::vector<int64_t>& nodeIds);

// The rows of the restrictions read, their members indexed, in their order: one per restriction,
// or per from of a no_entry or to of a no_exit; From and To the segments of
// their ways that touch the via (its node, or the via ways' ends), Ways the
// via ways' segments in travel order. Skipped and counted: a from or to not
// beginning or ending at the via, members not kept, via ways that do not
// join up, a restriction through a blocking barrier, a row longer than 255
// characters, only_* rows from the same From and Via through the same Ways
// naming different To (all of them), and a row already written.
std::vector<RestrictionRow> ResolveRestrictions(const std::vector<OsmRestriction>& read,
                                                const RestrictedWays& ways, RestrictionCounts& counts);
