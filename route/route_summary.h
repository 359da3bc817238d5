#pragma once

// The last route as a route planner tells it: its distance, its travel time
// and the names of the roads it takes.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The time to drive the segments, in tenths of a second: the sum of their
// durations (0 on a map without durations).
int64_t DurationOf(const std::vector<int32_t>& route);

// DurationOf the last route found.
int64_t RouteDuration();

// A distance: "850 m" below 1,000 m, else kilometres with two decimals
// ("4.21 km") on a map in metres; "length 5995" in map units otherwise.
std::string DistanceText(int64_t length, bool metres);

// A travel time given in tenths of a second, to the second below an hour
// ("40 s", "6 min 40 s"), to the minute above ("1 h 05 min").
std::string DurationText(int64_t tenths);

// Calls take with the names of the roads of the segments, in order,
// repeated names merged and unnamed pieces left out, until take returns
// false; nothing on a map without names.
void ForEachRoadName(const std::vector<int32_t>& route, const std::function<bool(const std::string&)>& take);

// ForEachRoadName of the last route found, from its start to its target.
void ForEachRoadName(const std::function<bool(const std::string&)>& take);

// The status line's text for the last route found, whose result was
// routeCount: "no route" when the target was not reached; else its
// distance, its duration (on a map with durations) and its roads' names
// joined by " - ", parts separated by ", ". The names stop at the last that
// fits says fits, "..." standing for the rest; only names up to that point
// are looked at.
std::string RouteStatusText(int32_t routeCount, const std::function<bool(const std::string&)>& fits);

// The same for the route of the segments, whose result was routeCount.
std::string RouteStatusText(int32_t routeCount, const std::vector<int32_t>& route,
                            const std::function<bool(const std::string&)>& fits);

// A route's distance and, on a map with durations, its travel time, as the
// status line begins: "1.20 km, 7 min 40 s".
std::string DistanceAndTimeText(int64_t length, int64_t tenths);
