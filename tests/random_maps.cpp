#include "tests/random_maps.h"

#include <cstdlib>

namespace {

int32_t Pick(std::mt19937& random, int32_t lo, int32_t hi) {
  return std::uniform_int_distribution<int32_t>(lo, hi)(random);
}

// Appends n points, numbering their codes on from the last.
void AddPoints(RandomMap& map, int32_t n) {
  for (int32_t k = 0; k < n; ++k) {
    const int32_t i = static_cast<int32_t>(map.points.size());
    map.points.push_back({i % 10 * 10, i / 10 * 10, i + 1});
  }
}

// A w x h grid of roads of one length, a few of them 0, some left out.
void Grid(RandomMap& map, std::mt19937& random) {
  const int32_t w = Pick(random, 2, 8), h = Pick(random, 1, 8), length = Pick(random, 1, 3) * 5;
  AddPoints(map, w * h);
  for (int32_t i = 0; i < w * h; ++i) {
    const auto road = [&](int32_t to) {
      if (Pick(random, 0, 9) == 0) return;
      map.roads.push_back({i + 1, to + 1, Pick(random, 0, 7) == 0 ? 0 : length, {}});
    };
    if (i % w + 1 < w) road(i + 1);
    if (i + w < w * h) road(i + w);
  }
}

// Random roads, each followed by a twin of the same length, either way round.
void Twins(RandomMap& map, std::mt19937& random) {
  const int32_t n = Pick(random, 2, 25);
  AddPoints(map, n);
  for (int32_t k = Pick(random, 1, 2 * n); k > 0; --k) {
    const int32_t a = Pick(random, 1, n), b = Pick(random, 1, n), length = Pick(random, 0, 4);
    map.roads.push_back({a, b, length, {}});
    map.roads.push_back(Pick(random, 0, 1) ? SegmentSpec{a, b, length, {}} : SegmentSpec{b, a, length, {}});
  }
}

// Random roads, most of length 0, with loops.
void ZeroLengths(RandomMap& map, std::mt19937& random) {
  const int32_t n = Pick(random, 1, 25);
  AddPoints(map, n);
  for (int32_t k = Pick(random, 0, 3 * n); k > 0; --k) {
    const int32_t a = Pick(random, 1, n);
    const int32_t b = Pick(random, 0, 6) == 0 ? a : Pick(random, 1, n);
    map.roads.push_back({a, b, Pick(random, 0, 3) == 0 ? Pick(random, 1, 3) : 0, {}});
  }
}

// A chain of short roads with long short cuts across it: the short cuts
// reach points early at a long distance, and the chain improves them later,
// pass after pass.
void ChainsWithShortCuts(RandomMap& map, std::mt19937& random) {
  const int32_t n = Pick(random, 3, 40);
  AddPoints(map, n);
  for (int32_t i = 1; i < n; ++i) map.roads.push_back({i, i + 1, Pick(random, 1, 2), {}});
  for (int32_t k = Pick(random, 1, n / 2 + 1); k > 0; --k) {
    const int32_t a = Pick(random, 1, n), b = Pick(random, 1, n);
    map.roads.push_back({a, b, std::abs(a - b) * Pick(random, 1, 2), {}});
  }
}

}  // namespace

RandomMap TieRichMap(std::mt19937& random) {
  RandomMap map;
  switch (Pick(random, 0, 3)) {
    case 0:
      Grid(map, random);
      break;
    case 1:
      Twins(map, random);
      break;
    case 2:
      ZeroLengths(map, random);
      break;
    default:
      ChainsWithShortCuts(map, random);
      break;
  }
  // Now and then a second, separate part that nothing reaches.
  if (Pick(random, 0, 3) == 0) {
    const int32_t first = static_cast<int32_t>(map.points.size()) + 1;
    AddPoints(map, 2);
    map.roads.push_back({first, first + 1, 1, {}});
  }
  return map;
}
