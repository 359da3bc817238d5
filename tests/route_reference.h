#pragma once

#include <cstdint>
#include <ostream>
#include <set>
#include <vector>

// What a route search leaves that anything outside it can observe.
struct RouteOutcome {
  int32_t result = 0;
  std::vector<int32_t> route;     // the route's codes, target first; empty when not found
  std::vector<int32_t> segments;  // prevSegment of each route point but the start
  std::set<int32_t> markedPoints, markedSegments;

  bool operator==(const RouteOutcome& o) const {
    return result == o.result && route == o.route && segments == o.segments &&
           markedPoints == o.markedPoints && markedSegments == o.markedSegments;
  }
};

// How a failing comparison shows an outcome.
void PrintTo(const RouteOutcome& outcome, std::ostream* out);

// The outcome FindRoute left in the program's arrays, given its result.
RouteOutcome ProgramOutcome(int32_t result);

// The search transcribed step by step from its description, on its own
// arrays, over the program's road graph: reset, seed, passes over the
// frontier in order with each entry relaxed against the distance as it
// stands, the stop test, the walk back and the marks. For graphs whose codes
// lie in 1..nodeCount and whose lengths are 0 or more, it is the reference
// FindRoute is compared with.
RouteOutcome ReferenceRoute(int32_t start, int32_t target);
