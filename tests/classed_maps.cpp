#include "tests/classed_maps.h"

#include <string>
#include <vector>

#include "map/map_store.h"
#include "tests/store_setup.h"

void LoadClassedRandomMap(std::mt19937& random) {
  const auto pick = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(random);
  };
  const int32_t spread = pick(0, 2) == 0 ? 40 : pick(200, 20000);
  std::vector<PointSpec> ps;
  for (int32_t n = pick(2, 70), i = 0; i < n; ++i) {
    if (i > 0 && pick(0, 9) == 0) {
      const PointSpec twin = ps[pick(0, i - 1)];
      ps.push_back({twin.x, twin.y, i + 1});
    } else {
      ps.push_back({pick(0, spread), pick(0, spread), i + 1});
    }
  }
  const int32_t n = static_cast<int32_t>(ps.size());
  std::vector<SegmentSpec> ss;
  std::vector<RoadClass> classes;
  for (int32_t k = pick(1, 2 * n); k > 0; --k) {
    const int32_t from = pick(1, n), to = pick(1, n);
    const PointSpec &a = ps[from - 1], &b = ps[to - 1];
    SegmentSpec s{from, to, pick(0, 50), {{a.x, a.y}}};
    if (pick(0, 2) == 0)
      s.vertices.push_back({(a.x + b.x) / 2 + pick(-spread / 8, spread / 8), (a.y + b.y) / 2});
    s.vertices.push_back({b.x, b.y});
    ss.push_back(s);
    // Mostly low classes, as in a town.
    classes.push_back(static_cast<RoadClass>(pick(0, 3) == 0 ? pick(0, 4) : pick(4, kRoadClassCount - 1)));
  }
  SetMap(ps, ss);
  segmentClass = classes;
  const char* const names[] = {
      "High Street", "Mill Lane", "A1", "Ring Road", "Long Avenue of the Lindens", ""};
  segmentName.Assign(ss.size());
  for (size_t j = 0; j < ss.size(); ++j) segmentName.Set(j, names[pick(0, 5)]);
}
