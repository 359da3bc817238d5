#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "tests/store_setup.h"

// A road network with many routes of equal length, for testing which of them
// a search keeps, of one of several kinds chosen at random: a grid whose
// roads all have one length (some of them 0), a random network with every
// road doubled by a parallel twin of the same length, a network of mostly
// zero lengths, and long chains with short cuts whose points a search
// improves several times over. Parts of it may be unreachable from others.
// Its points have codes 1..n in file order.
struct RandomMap {
  std::vector<PointSpec> points;
  std::vector<SegmentSpec> roads;
};
RandomMap TieRichMap(std::mt19937& random);
