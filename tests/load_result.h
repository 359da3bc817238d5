#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Everything a load leaves that anything else can observe.
struct LoadResult {
  std::string failure;  // the exception's class and message; empty when the load completed
  std::vector<std::string> pointTexts;
  std::vector<int32_t> pointNumbers;    // X, Y, Code of each point
  std::vector<int32_t> segmentNumbers;  // From, To, Length, vertex count, then x, y of each vertex
  int32_t pointCount, segmentCount, pointsLength, segmentsLength;
  std::vector<int32_t> graph;  // bounds, counts and the graph's entries

  bool operator==(const LoadResult& o) const {
    return failure == o.failure && pointTexts == o.pointTexts && pointNumbers == o.pointNumbers &&
           segmentNumbers == o.segmentNumbers && pointCount == o.pointCount &&
           segmentCount == o.segmentCount && pointsLength == o.pointsLength &&
           segmentsLength == o.segmentsLength && graph == o.graph;
  }
};

// How a failing comparison shows a load.
void PrintTo(const LoadResult& r, std::ostream* out);

// Empties the store, builds the graph of the empty store (the same previous
// graph for every load), then runs load on path and takes what it left.
LoadResult RunLoad(const std::string& path, const std::function<void(const std::string&)>& load);
