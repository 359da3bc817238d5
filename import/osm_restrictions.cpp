#include "import/osm_restrictions.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <osmium/osm/relation.hpp>
#include <set>
#include <tuple>
#include <unordered_set>

namespace {

constexpr const char* kSkipNames[kRestrictionSkipCount] = {
    "naming the profile's vehicle in except",
    "conditional",
    "on red",
    "of unknown value",
    "with several from or to or other members",
    "whose from or to does not begin or end at the via",
    "whose members are not kept roads",
    "whose via ways do not join up",
    "through a blocking barrier",
    "longer than 255 characters",
    "conflicting only_*",
    "duplicated"};

// The longest rule the T layer's Rule column holds.
constexpr size_t kLongestRule = 32;

// The profile's restriction keys, the most specific first, and its vehicle
// names that an except= list may hold.
struct RestrictionKeys {
  std::vector<const char*> keys;
  const char* conditional;
  std::vector<const char*> vehicles;
};

const RestrictionKeys* KeysOf(Profile profile) {
  static const RestrictionKeys kCar{
      {"restriction:motorcar", "restriction:motor_vehicle", "restriction:vehicle", "restriction"},
      "restriction:conditional",
      {"motorcar", "motor_vehicle", "vehicle"}};
  static const RestrictionKeys kBike{{"restriction:bicycle"}, "restriction:bicycle:conditional", {"bicycle"}};
  if (profile == Profile::kCar) return &kCar;
  if (profile == Profile::kBike) return &kBike;
  return nullptr;
}

bool StartsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

bool EndsWith(const std::string& text, const char* end) {
  const size_t n = std::strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// Whether the `;`-separated list names one of the vehicles.
bool NamesVehicle(const char* list, const std::vector<const char*>& vehicles) {
  if (!list) return false;
  std::string text(list);
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string part = text.substr(start, end - start);
    part.erase(0, part.find_first_not_of(' '));
    part.erase(part.find_last_not_of(' ') + 1);
    for (const char* vehicle : vehicles)
      if (part == vehicle) return true;
    start = end + 1;
  }
  return false;
}

// Whether the value is a rule the T layer takes: no_* or only_*, of
// lower-case letters and underscores, at most kLongestRule long.
bool KnownRule(const std::string& rule) {
  if (rule.size() > kLongestRule || !(StartsWith(rule, "no_") || StartsWith(rule, "only_"))) return false;
  if (rule == "no_" || rule == "only_") return false;
  return std::all_of(rule.begin(), rule.end(), [](char c) { return (c >= 'a' && c <= 'z') || c == '_'; });
}

// Reads the members into out; false when they are not way froms and tos
// and one via node or via ways.
bool ReadMembers(const osmium::Relation& relation, OsmRestriction& out) {
  int viaNodes = 0;
  for (const osmium::RelationMember& member : relation.members()) {
    const std::string role = member.role();
    const bool way = member.type() == osmium::item_type::way;
    if (role == "from" || role == "to") {
      if (!way) return false;
      (role == "from" ? out.from : out.to).push_back(member.ref());
    } else if (role == "via") {
      if (way) {
        out.viaWays.push_back(member.ref());
      } else if (member.type() == osmium::item_type::node) {
        out.viaNode = member.ref();
        ++viaNodes;
      } else {
        return false;
      }
    }
  }
  out.viaIsNode = viaNodes == 1;
  const bool oneVia = (viaNodes == 1 && out.viaWays.empty()) || (viaNodes == 0 && !out.viaWays.empty());
  if (!oneVia || out.from.empty() || out.to.empty()) return false;
  return (out.from.size() == 1 || out.rule == "no_entry") && (out.to.size() == 1 || out.rule == "no_exit");
}

// The segment of the way that touches the node (whose junction code is
// code) at one of the way's ends, the end the way arrives at preferred
// when arriving, else the end it leaves by; -1 when neither end is the node
// or its segment there is not in the map.
int32_t SegmentAt(const RestrictedWays& ways, int64_t way, uint32_t node, int32_t code, bool arriving) {
  const auto [first, end] = ways.Segments(way);
  if (first == end) return -1;
  const bool atLast = ways.LastNode(way) == node, atFirst = ways.FirstNode(way) == node;
  const auto last = [&]() { return ways.SegmentEnds(end - 1).second == code ? end - 1 : -1; };
  const auto start = [&]() { return ways.SegmentEnds(first).first == code ? first : -1; };
  if (arriving) return atLast ? last() : atFirst ? start() : -2;
  return atFirst ? start() : atLast ? last() : -2;
}

// Appends the via way's segments in travel order, entered at the junction
// code: false when they do not run from it to the way's other end.
bool AppendViaSegments(const RestrictedWays& ways, int64_t way, bool forward, int32_t& code,
                       std::vector<int32_t>& out) {
  const auto [first, end] = ways.Segments(way);
  if (first == end) return false;
  for (int32_t i = 0; i < end - first; ++i) {
    const int32_t s = forward ? first + i : end - 1 - i;
    const auto [a, b] = ways.SegmentEnds(s);
    if ((forward ? a : b) != code) return false;
    code = forward ? b : a;
    out.push_back(s);
  }
  return true;
}

// The row of the restriction from the way to the way, or why there is none.
bool ResolveRow(const OsmRestriction& r, int64_t from, int64_t to, const RestrictedWays& ways,
                RestrictionRow& row, RestrictionSkip& why) {
  const std::vector<int64_t>& via = r.viaWays;
  why = RestrictionSkip::kNotKeptRoad;
  if (from < 0 || to < 0 || std::find(via.begin(), via.end(), -1) != via.end()) return false;
  // The node where From meets the via, and the one where To leaves it.
  uint32_t enter = 0, leave = 0;
  if (r.viaIsNode) {
    if (r.viaNode < 0) return false;
    enter = leave = static_cast<uint32_t>(r.viaNode);
  } else {
    why = RestrictionSkip::kNotAtVia;
    const uint32_t viaEnds[] = {ways.FirstNode(via[0]), ways.LastNode(via[0])};
    const uint32_t fromEnds[] = {ways.LastNode(from), ways.FirstNode(from)};
    const uint32_t* meet = std::find_first_of(fromEnds, fromEnds + 2, viaEnds, viaEnds + 2);
    if (meet == fromEnds + 2) return false;
    enter = leave = *meet;
    why = RestrictionSkip::kViaNotJoined;
    for (const int64_t v : via) {
      if (ways.FirstNode(v) == leave) {
        leave = ways.LastNode(v);
      } else if (ways.LastNode(v) == leave) {
        leave = ways.FirstNode(v);
      } else {
        return false;
      }
    }
  }
  why = RestrictionSkip::kThroughBarrier;
  if (ways.NodeBlocks(enter) || ways.NodeBlocks(leave) ||
      std::any_of(via.begin(), via.end(), [&](int64_t v) { return ways.WayBlocked(v); }))
    return false;
  row.rule = r.rule;
  row.only = r.only;
  row.via = ways.NodeCode(enter);
  const int32_t leaveCode = ways.NodeCode(leave);
  row.from = SegmentAt(ways, from, enter, row.via, true);
  row.to = SegmentAt(ways, to, leave, leaveCode, false);
  why = row.from == -2 || row.to == -2 ? RestrictionSkip::kNotAtVia : RestrictionSkip::kNotKeptRoad;
  if (row.via == 0 || row.from < 0 || row.to < 0) return false;
  int32_t code = row.via;
  uint32_t at = enter;
  for (const int64_t v : via) {
    const bool forward = ways.FirstNode(v) == at;
    at = forward ? ways.LastNode(v) : ways.FirstNode(v);
    if (!AppendViaSegments(ways, v, forward, code, row.ways)) return false;
  }
  if (code != leaveCode) return false;
  why = RestrictionSkip::kTooLong;
  return RestrictionLine(row).size() <= kLongestRestrictionLine;
}

// Drops the rows already written before, then the only_* rows that share
// From, Via and Ways with another naming a different To; counts both.
std::vector<RestrictionRow> Distinct(std::vector<RestrictionRow> rows, RestrictionCounts& counts) {
  std::unordered_set<std::string> seen;
  std::vector<RestrictionRow> distinct;
  for (RestrictionRow& row : rows) {
    if (seen.insert(RestrictionLine(row)).second)
      distinct.push_back(std::move(row));
    else
      counts.Skip(RestrictionSkip::kDuplicate);
  }
  using Start = std::tuple<int32_t, int32_t, std::vector<int32_t>>;
  std::map<Start, std::set<int32_t>> onlyTo;
  for (const RestrictionRow& row : distinct)
    if (row.only) onlyTo[{row.from, row.via, row.ways}].insert(row.to);
  std::vector<RestrictionRow> kept;
  for (RestrictionRow& row : distinct) {
    if (row.only && onlyTo[{row.from, row.via, row.ways}].size() > 1)
      counts.Skip(RestrictionSkip::kConflictingOnly);
    else
      kept.push_back(std::move(row));
  }
  return kept;
}

}  // namespace

std::string RestrictionCounts::SkippedText() const {
  std::string text;
  for (size_t i = 0; i < kRestrictionSkipCount; ++i)
    if (skipped[i] > 0) text += (text.empty() ? "" : ", ") + std::to_string(skipped[i]) + " " + kSkipNames[i];
  return text;
}

bool ReadOsmRestriction(const osmium::Relation& relation, Profile profile, OsmRestriction& out,
                        RestrictionCounts& counts) {
  const osmium::TagList& tags = relation.tags();
  const RestrictionKeys* keys = KeysOf(profile);
  if (!keys || !tags.has_tag("type", "restriction")) return false;
  const char* value = nullptr;
  for (const char* key : keys->keys)
    if ((value = tags[key])) break;
  if (!value) {
    if (!tags[keys->conditional]) return false;
    ++counts.read;
    counts.Skip(RestrictionSkip::kConditional);
    return false;
  }
  ++counts.read;
  out = OsmRestriction();
  out.rule = value;
  out.only = StartsWith(out.rule, "only_");
  RestrictionSkip why = RestrictionSkip::kExcept;
  if (NamesVehicle(tags["except"], keys->vehicles))
    why = RestrictionSkip::kExcept;
  else if (StartsWith(out.rule, "no_") && EndsWith(out.rule, "_on_red"))
    why = RestrictionSkip::kOnRed;
  else if (!KnownRule(out.rule))
    why = RestrictionSkip::kUnknownValue;
  else if (!ReadMembers(relation, out))
    why = RestrictionSkip::kMembers;
  else
    return true;
  counts.Skip(why);
  return false;
}

void IndexRestrictionMembers(std::vector<OsmRestriction>& restrictions, const std::vector<int64_t>& wayIds,
                             const std::vector<int64_t>& nodeIds) {
  std::vector<std::pair<int64_t, int64_t>> ways;
  ways.reserve(wayIds.size());
  for (size_t w = 0; w < wayIds.size(); ++w) ways.emplace_back(wayIds[w], static_cast<int64_t>(w));
  std::sort(ways.begin(), ways.end());
  const auto way = [&ways](int64_t& id) {
    const auto at = std::lower_bound(ways.begin(), ways.end(), std::make_pair(id, int64_t{-1}));
    id = at != ways.end() && at->first == id ? at->second : -1;
  };
  for (OsmRestriction& r : restrictions) {
    for (auto* members : {&r.from, &r.to, &r.viaWays}) std::for_each(members->begin(), members->end(), way);
    const auto node = std::lower_bound(nodeIds.begin(), nodeIds.end(), r.viaNode);
    r.viaNode = r.viaIsNode && node != nodeIds.end() && *node == r.viaNode ? node - nodeIds.begin() : -1;
  }
}

std::vector<RestrictionRow> ResolveRestrictions(const std::vector<OsmRestriction>& read,
                                                const RestrictedWays& ways, RestrictionCounts& counts) {
  std::vector<RestrictionRow> rows;
  for (const OsmRestriction& r : read) {
    for (const int64_t from : r.from) {
      for (const int64_t to : r.to) {
        RestrictionRow row;
        RestrictionSkip why{};
        if (ResolveRow(r, from, to, ways, row, why))
          rows.push_back(std::move(row));
        else
          counts.Skip(why);
      }
    }
  }
  rows = Distinct(std::move(rows), counts);
  counts.written = static_cast<int64_t>(rows.size());
  return rows;
}
