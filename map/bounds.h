#pragma once

#include <cstdint>
#include <limits>

// -y as the view and the bounds use it. The one value whose negation does
// not fit 32 bits, the smallest Y, saturates to 2147483647: such a point is
// placed one map unit higher rather than wrapping to the bottom of the map.
inline int32_t NegateY(int32_t y) {
  return y == std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::max() : -y;
}

// Bounds of map positions as the map's bounds hold them: X and the negated
// Y (see NegateY), so minNegY is minus the largest Y.
struct Bounds {
  int32_t minX, minNegY, maxX, maxNegY;
};

// The smallest bounds, which any position widens.
inline Bounds Unwidened() {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  return {kMax, kMax, -kMax, -kMax};
}

// The four tests are independent and strict, as a point may widen several.
inline void Widen(Bounds& b, int32_t x, int32_t y) {
  const int32_t negY = NegateY(y);
  if (x < b.minX) b.minX = x;
  if (negY < b.minNegY) b.minNegY = negY;
  if (x > b.maxX) b.maxX = x;
  if (negY > b.maxNegY) b.maxNegY = negY;
}
