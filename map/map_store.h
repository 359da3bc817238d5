#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "map/bounds.h"
#include "map/dynamic_array.h"
#include "map/name_table.h"
#include "map/road_class.h"
#include "map/shared_text.h"

// A vertex of a road segment, in map units.
struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// A new vertex is (0, 0): zeroed memory, with nothing to construct.
template <>
struct ZeroIsValueInitialized<TPoint> : std::true_type {};
static_assert(std::is_trivially_copyable_v<TPoint> && std::is_trivially_destructible_v<TPoint>);

// A junction of the M layer. Code is the point's node number in the road
// graph: the point with code c is expected at index c - 1 of the table.
struct TFieldM {
  SharedText Text;  // the point's attribute row after its first comma
  int32_t X = 0;
  int32_t Y = 0;  // larger Y lies higher on the map
  int32_t Code = 0;
};

// A new point is zero numbers and no text: zeroed memory, with nothing to
// construct.
template <>
struct ZeroIsValueInitialized<TFieldM> : std::true_type {};

// A road segment of the S layer between the points whose codes are From and
// To: usable in both directions unless the map's one-way column (see
// segmentOneway) says otherwise.
struct TFieldS {
  int32_t From = 0;
  int32_t To = 0;
  int32_t Length = 0;
  DynamicArray<TPoint> Vertices;
};

// A new segment is zero numbers and no vertex block: zeroed memory, so that
// making room for millions of them touches no memory until they are filled.
template <>
struct ZeroIsValueInitialized<TFieldS> : std::true_type {};

// The open map, in file order, indexed from 0. After every step of loading
// and clearing, points.Length() == pointCount and segments.Length() ==
// segmentCount; loops run over the counts.
extern DynamicArray<TFieldM> points;
extern int32_t pointCount;
extern DynamicArray<TFieldS> segments;
extern int32_t segmentCount;

// The S layer's optional columns, read when its .mif header declares them
// after the first three: per segment, by index, sized to segmentCount when
// its .mid file is read. Empty for a map without them, which is then loaded,
// drawn and routed as if they did not exist.
extern std::vector<int8_t> segmentOneway;     // 0 both ways; 1 only From to To; -1 only To to From
extern std::vector<int32_t> segmentDuration;  // the time to drive it, in tenths of a second
extern NameTable segmentName;                 // the road's name
extern std::vector<RoadClass> segmentClass;   // what a road map draws it as; minor for an odd value

// Whether the map's roads have classes (its S layer declares a Class column),
// so that a road map can be drawn of it.
inline bool MapHasRoadClasses() { return !segmentClass.empty(); }

// Whether the M layer's .mif header has a CoordSys line: the map's lengths
// are then told in metres.
extern bool mapHasCoordSys;

// Indices into points of the route's start point and of the point nearest the
// pointer; -1 for none once ClearMapStore has run (0 at program start).
extern int32_t startPoint;
extern int32_t currentPoint;

// Empties both tables and the optional columns, sets startPoint and
// currentPoint to -1, drops the area index of the tables and weighs the next
// graph by lengths. Leaves the map bounds and the road graph as they are,
// and the route marks: ClearMapAndRoute clears those too.
void ClearMapStore();
