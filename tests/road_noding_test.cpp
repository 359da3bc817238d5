// Noding: lines in, junctions and pieces of line out, without any source
// file: where lines meet, they are split and joined; where they only cross,
// they are not.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "import/road_network.h"

namespace {

// A line through the positions, its lengths measured along it.
ProjectedLine Line(const std::vector<std::pair<double, double>>& at) {
  ProjectedLine line;
  for (const auto& [x, y] : at) {
    line.along.push_back(
        line.x.empty() ? 0 : line.along.back() + std::hypot(x - line.x.back(), y - line.y.back()));
    line.x.push_back(x);
    line.y.push_back(y);
  }
  return line;
}

// Each segment as "from-to:length", in order.
std::vector<std::string> Pieces(const RoadNetwork& network) {
  std::vector<std::string> pieces;
  for (const RoadSegment& s : network.segments)
    pieces.push_back(std::to_string(s.from) + "-" + std::to_string(s.to) + ":" + std::to_string(s.length));
  return pieces;
}

}  // namespace

TEST(RoadNoding, SplitsLinesWhereTheyMeetAndNowhereElse) {
  const struct {
    const char* name;
    std::vector<ProjectedLine> lines;
    size_t junctions;
    std::vector<std::string> pieces;
  } cases[] = {
      {"two roads crossing without a shared vertex stay apart",
       {Line({{0, 0}, {100, 100}}), Line({{0, 100}, {100, 0}})},
       4,
       {"1-2:141", "3-4:141"}},
      {"a road through another's vertex splits both",
       {Line({{0, 0}, {50, 50}, {100, 100}}), Line({{0, 100}, {50, 50}, {100, 0}})},
       5,
       {"1-2:71", "2-3:71", "4-2:71", "2-5:71"}},
      {"a road ending on another's vertex splits that one",
       {Line({{0, 0}, {100, 0}, {200, 0}}), Line({{100, 0}, {100, 80}})},
       4,
       {"1-2:100", "2-3:100", "2-4:80"}},
      {"a loop meets itself at its start", {Line({{0, 0}, {60, 0}, {60, 60}, {0, 0}})}, 1, {"1-1:205"}},
      {"positions closer than a metre are one",
       {Line({{0, 0}, {10, 0.2}, {10.3, 0}, {20, 0}})},
       2,
       {"1-2:20"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RoadNetwork network = BuildRoadNetwork(c.lines, std::vector<RoadTraits>(c.lines.size()), 0);
    EXPECT_EQ(network.junctions.size(), c.junctions);
    EXPECT_EQ(Pieces(network), c.pieces);
  }
}
