#pragma once

// A route as its points and segments, and the line it runs along.

#include <cstddef>
#include <cstdint>
#include <vector>

// A route from its start to its target: the codes of its points and the
// indices of the segments between them (one fewer than the codes; both
// empty for no route).
struct RoutePath {
  std::vector<int32_t> codes;
  std::vector<int32_t> segments;
};

// The last route a search found (RouteCodes and RouteSegments).
RoutePath LastRoute();

// The line a route runs along: each point (the point with code c at index
// c - 1 of the table) and between two points the vertices of the segment
// joining them, in the direction of travel, no position repeated twice in a
// row. A code outside the point table and a segment outside the segment
// table add no position.
struct RouteLine {
  std::vector<double> xy;          // pairs of x and y, in map units
  std::vector<size_t> positionOf;  // for each of the route's points, the index of its pair
};
RouteLine LineOf(const RoutePath& route);
