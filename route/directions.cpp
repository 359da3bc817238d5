#include "route/directions.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "map/junction_search.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "route/route_summary.h"

namespace {

constexpr double kDegreesPerRadian = 57.295779513082320876798;

// degrees rounded to a millionth, so that arithmetic noise does not move an
// angle across an edge.
double Rounded(double degrees) { return std::round(degrees * 1e6) / 1e6; }

struct Vec {
  double x = 0, y = 0;
};

// The route's line with the distance along it to each of its positions,
// in the units of the segments' lengths (metres on a map with a CoordSys,
// whatever units its coordinates are in): each segment's length spread over
// its piece of the line in proportion to the piece's extent.
class Line {
 public:
  explicit Line(const RoutePath& route) : line_(LineOf(route)), along_(line_.xy.size() / 2, 0.0) {
    for (size_t i = 0; i + 1 < line_.positionOf.size(); ++i) {
      const size_t from = line_.positionOf[i], to = line_.positionOf[i + 1];
      double extent = 0;
      for (size_t k = from + 1; k <= to; ++k) extent += Step(k);
      const double length = std::max<int64_t>(0, LengthOf({route.segments[i]}));
      for (size_t k = from + 1; k <= to; ++k)
        along_[k] = along_[k - 1] + (extent > 0 ? Step(k) * length / extent : 0);
    }
  }

  // The position of the route's point i.
  Vec PointPosition(size_t i) const {
    return along_.empty() ? Vec{} : Vec{X(line_.positionOf[i]), Y(line_.positionOf[i])};
  }
  double PointDistance(size_t i) const { return along_.empty() ? 0 : along_[line_.positionOf[i]]; }

  // The position distance along the line, clamped to its ends.
  Vec At(double distance) const {
    if (along_.empty()) return {};
    const size_t k = std::lower_bound(along_.begin(), along_.end(), distance) - along_.begin();
    if (k == 0) return {X(0), Y(0)};
    if (k == along_.size()) return {X(k - 1), Y(k - 1)};
    const double part = (distance - along_[k - 1]) / (along_[k] - along_[k - 1]);
    return {X(k - 1) + part * (X(k) - X(k - 1)), Y(k - 1) + part * (Y(k) - Y(k - 1))};
  }

 private:
  // The extent of the line's piece ending at position k, in map units.
  double Step(size_t k) const { return std::hypot(X(k) - X(k - 1), Y(k) - Y(k - 1)); }
  double X(size_t k) const { return line_.xy[2 * k]; }
  double Y(size_t k) const { return line_.xy[2 * k + 1]; }

  RouteLine line_;
  std::vector<double> along_;
};

// The angle the route turns by at its point i, positive to the left: from
// the bearing of the kBearingReach before the point to that of the
// kBearingReach after it. 0 when either piece has no length.
double TurnAngle(const Line& line, size_t i) {
  const Vec at = line.PointPosition(i);
  const Vec back = line.At(line.PointDistance(i) - kBearingReach);
  const Vec on = line.At(line.PointDistance(i) + kBearingReach);
  const Vec in{at.x - back.x, at.y - back.y}, out{on.x - at.x, on.y - at.y};
  if ((in.x == 0 && in.y == 0) || (out.x == 0 && out.y == 0)) return 0;
  return Rounded(std::atan2(in.x * out.y - in.y * out.x, in.x * out.x + in.y * out.y) * kDegreesPerRadian);
}

// The bearing of the route's first kBearingReach, clockwise from north; 0
// (north) when it has no length.
double StartBearing(const Line& line) {
  const Vec from = line.At(0), to = line.At(kBearingReach);
  if (from.x == to.x && from.y == to.y) return 0;
  return Rounded(std::atan2(to.x - from.x, to.y - from.y) * kDegreesPerRadian);
}

std::string_view RoadName(int32_t segment) {
  return static_cast<size_t>(segment) < segmentName.size() ? segmentName[segment] : std::string_view();
}

std::string Onto(std::string_view name) {
  return name.empty() ? " onto an unnamed road" : " onto " + std::string(name);
}

std::string Arrival(int32_t code) {
  const std::string name = code >= 1 && code <= pointCount ? JunctionName(points[code - 1].Text) : "";
  return "Arrive at " + std::to_string(code) + (name.empty() ? "" : ": " + name);
}

bool Names(int32_t segment, int32_t code) {
  return segment >= 0 && segment < segmentCount &&
         (segments[segment].From == code || segments[segment].To == code);
}

// Each step's length and duration: the route's segments from its point to
// the next step's.
void MeasureSteps(std::vector<DirectionStep>& steps, const std::vector<size_t>& at, const RoutePath& route) {
  for (size_t k = 0; k + 1 < steps.size(); ++k) {
    const std::vector<int32_t> leg(route.segments.begin() + at[k], route.segments.begin() + at[k + 1]);
    steps[k].length = LengthOf(leg);
    steps[k].tenths = DurationOf(leg);
  }
}

}  // namespace

std::string TurnWords(double degrees) {
  const double turn = std::fabs(degrees);
  if (turn < 30) return "Continue";
  if (turn >= 170) return "Make a U-turn";
  const char* side = degrees > 0 ? "left" : "right";
  if (turn < 60) return std::string("Turn slight ") + side;
  if (turn < 135) return std::string("Turn ") + side;
  return std::string("Turn sharp ") + side;
}

std::string CompassWord(double bearing) {
  static const char* const kWords[] = {"north", "northeast", "east", "southeast",
                                       "south", "southwest", "west", "northwest"};
  const double turned = std::fmod(std::fmod(bearing + 22.5, 360) + 360, 360);
  return kWords[static_cast<int>(turned / 45) % 8];
}

bool Directions::OtherRoadMeets(int32_t code, int32_t arriving, int32_t leaving) {
  if (code < 1 || code > pointCount) return false;
  if (!endsKnown_ || endsGeneration_ != graphGeneration) {
    segmentEnds_.clear();
    for (int32_t j = 0; j < segmentCount; ++j) {
      segmentEnds_.push_back(segments[j].From);
      if (segments[j].To != segments[j].From) segmentEnds_.push_back(segments[j].To);
    }
    std::sort(segmentEnds_.begin(), segmentEnds_.end());
    endsKnown_ = true;
    endsGeneration_ = graphGeneration;
  }
  const int32_t named = points[code - 1].Code;
  const auto meeting = std::equal_range(segmentEnds_.begin(), segmentEnds_.end(), named);
  const long taken = Names(arriving, named) + (leaving != arriving && Names(leaving, named));
  return meeting.second - meeting.first > taken;
}

std::vector<DirectionStep> Directions::StepsOf(const RoutePath& route) {
  if (route.codes.empty()) return {};
  std::vector<DirectionStep> steps;
  std::vector<size_t> at;  // the index of each step's point in the route
  const size_t last = std::min(route.segments.size(), route.codes.size() - 1);
  if (last > 0) {
    const Line line(route);
    const std::string_view first = RoadName(route.segments[0]);
    steps.push_back(
        {"Head " + CompassWord(StartBearing(line)) + (first.empty() ? "" : " on " + std::string(first)),
         route.codes[0]});
    at.push_back(0);
    for (size_t i = 1; i < last; ++i) {
      const int32_t arriving = route.segments[i - 1], leaving = route.segments[i];
      // Back along the segment just driven (at a dead end, on a map with turn
      // restrictions) is a U-turn, whatever the line's shape and the roads met.
      const bool back = leaving == arriving;
      const std::string turn = back ? TurnWords(180) : TurnWords(TurnAngle(line, i));
      if (!back && RoadName(arriving) == RoadName(leaving) &&
          (turn == "Continue" || !OtherRoadMeets(route.codes[i], arriving, leaving)))
        continue;
      steps.push_back({turn + Onto(RoadName(leaving)), route.codes[i]});
      at.push_back(i);
    }
  }
  steps.push_back({Arrival(route.codes[last]), route.codes[last]});
  at.push_back(last);
  MeasureSteps(steps, at, route);
  return steps;
}
