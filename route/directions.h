#pragma once

// A route told turn by turn, as a route planner tells it.

#include <cstdint>
#include <string>
#include <vector>

#include "route/route_path.h"

// One step of the directions: what to do at a junction, and how far and how
// long the route then goes until the next step.
struct DirectionStep {
  std::string instruction;  // "Turn left onto Quai B"
  int32_t code = 0;         // the route point where it is given
  int64_t length = 0;       // the sum of the route's segment lengths to the next step's point
  int64_t tenths = 0;       // the same for durations, in tenths of a second (0 without durations)
};

// The distance along the route before and after a junction whose bearings
// decide the turn there, and from the start whose bearing gives the first
// step's compass direction: in the units of the segments' lengths, metres on
// a map with a CoordSys, map units otherwise.
constexpr double kBearingReach = 20;

// The words for a turn by degrees (positive to the left, negative to the
// right, within -180..180): "Continue" below 30, "Turn slight left/right"
// from 30 below 60, "Turn left/right" from 60 below 135, "Turn sharp
// left/right" from 135 below 170, "Make a U-turn" from 170. Each band holds
// its lower edge: exactly 30 degrees is a slight turn, exactly 170 a U-turn.
std::string TurnWords(double degrees);

// The compass direction of a bearing in degrees clockwise from north (Y
// up): "north", "northeast", ..., "northwest", each the 45 degrees around
// it; an edge belongs to the direction clockwise of it (22.5 is
// "northeast").
std::string CompassWord(double bearing);

// Tells routes turn by turn. Keeps, for the map it last told a route on, the
// codes that the segments' ends name, so that "another road meets this
// junction" costs a lookup.
class Directions {
 public:
  // The steps of route, from its start to its target:
  // - "Head COMPASS on NAME" ("Head COMPASS" when the first road is
  //   unnamed), COMPASS from the bearing of the route's first kBearingReach;
  // - at each point between, where the name of the road changes, or where
  //   the route turns (TurnWords is not "Continue") and a segment other than
  //   the two the route takes there names the point's code (one-way or
  //   not): TurnWords of the angle between the bearings to the positions
  //   kBearingReach back and on along the route's line, then " onto NAME"
  //   or " onto an unnamed road";
  // - "Arrive at CODE: NAME" ("Arrive at CODE" for an unnamed junction).
  // A route of one point is only its arrival; no route has no steps.
  // Angles are compared after rounding to a millionth of a degree, so that a
  // line at exactly an edge (135 degrees on whole coordinates) falls on the
  // side TurnWords says.
  std::vector<DirectionStep> StepsOf(const RoutePath& route);

 private:
  // Whether a segment other than arriving and leaving names the code of the
  // point with route code code.
  bool OtherRoadMeets(int32_t code, int32_t arriving, int32_t leaving);

  std::vector<int32_t> segmentEnds_;  // every segment's From and To (a loop's once), sorted
  uint32_t endsGeneration_ = 0;
  bool endsKnown_ = false;
};
