#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A row of a map's T layer: a turn restriction between its segments. A
// `no` row forbids driving From, each of Ways, then To, one after another;
// an `only` row forbids leaving the end of From and Ways by any segment but
// To.
struct RestrictionRow {
  std::string rule;           // the tag's value as written: no_left_turn, only_straight_on, ...
  bool only = false;          // the kind: only, else no
  int32_t from = 0, to = 0;   // segments, numbered from 0 in the order of the S layer's rows
  int32_t via = 0;            // the code of the junction where From ends (meets the first of Ways)
  std::vector<int32_t> ways;  // for a restriction through ways, the segments between, in travel order

  bool operator==(const RestrictionRow& o) const {
    return rule == o.rule && only == o.only && from == o.from && to == o.to && via == o.via && ways == o.ways;
  }
};

// The longest row of the T layer's .mid file, in characters before its
// line feed.
constexpr size_t kLongestRestrictionLine = 255;

// The row as its line of the .mid file, without the line feed:
// "rule","kind",from,to,via,"ways" with the Ways separated by single spaces.
// The rule is written as it is: it holds no quote.
std::string RestrictionLine(const RestrictionRow& row);
