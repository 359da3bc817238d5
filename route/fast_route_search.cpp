#include "route/fast_route_search.h"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

#include "map/road_graph.h"
#include "route/directed_graph.h"
#include "route/route_search.h"
#include "toolkit/performance_counter.h"

namespace {

// The weight of the road graph's entry from `from` to `to` over segment,
// or -1 when there is none.
int64_t EntryWeight(int32_t from, int32_t to, int32_t segment) {
  if (!IsCode(from, nodeCount)) return -1;
  for (int32_t e = nodeStart[from - 1]; e < nodeStart[from]; ++e)
    if (adjNode[e] == to && adjSegment[e] == segment) return adjLength[e];
  return -1;
}

bool PassesAPointTwice(const std::vector<int32_t>& codes) {
  std::vector<int32_t> sorted = codes;
  std::sort(sorted.begin(), sorted.end());
  return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

// Cuts every cycle out of the walk, keeping its first and last point: a
// point seen again drops what was walked since its first visit.
void CutCycles(std::vector<int32_t>& codes, std::vector<int32_t>& segments) {
  if (!PassesAPointTwice(codes)) return;
  std::unordered_map<int32_t, size_t> at;
  std::vector<int32_t> keptCodes, keptSegments;
  for (size_t i = 0; i < codes.size(); ++i) {
    const auto seen = at.find(codes[i]);
    if (seen == at.end()) {
      if (i > 0) keptSegments.push_back(segments[i - 1]);
      at[codes[i]] = keptCodes.size();
      keptCodes.push_back(codes[i]);
      continue;
    }
    for (size_t k = seen->second + 1; k < keptCodes.size(); ++k) at.erase(keptCodes[k]);
    keptCodes.resize(seen->second + 1);
    keptSegments.resize(seen->second);
  }
  codes = std::move(keptCodes);
  segments = std::move(keptSegments);
}

// Whether the walk joins start to target along real entries whose weights
// add up to distance.
bool IsRealWalk(const std::vector<int32_t>& codes, const std::vector<int32_t>& segments, int32_t start,
                int32_t target, int64_t distance) {
  if (codes.empty() || codes.front() != start || codes.back() != target) return false;
  int64_t sum = 0;
  for (size_t i = 0; i + 1 < codes.size(); ++i) {
    const int64_t weight = EntryWeight(codes[i], codes[i + 1], segments[i]);
    if (weight < 0) return false;
    sum += weight;
  }
  return sum == distance;
}

// Whether every code names a point of the road graph.
bool CodesWithin(const std::vector<int32_t>& codes) {
  for (const int32_t code : codes)
    if (!IsCode(code, nodeCount)) return false;
  return true;
}

}  // namespace

int32_t FindRouteInHierarchy(const ContractionHierarchy& hierarchy, HierarchyQuery& query, int32_t startCode,
                             int32_t targetCode, bool& hierarchyBad) {
  const int64_t t0 = QueryPerformanceCounter();
  hierarchyBad = hierarchy.generation != graphGeneration || hierarchy.nodeCount != nodeCount;
  if (hierarchyBad || !IsCode(startCode, nodeCount) || !IsCode(targetCode, nodeCount))
    return FindRouteDirect(startCode, targetCode);
  const int64_t distance = query.Run(hierarchy, startCode, targetCode);
  hierarchyBad = query.HasMetBadArc();
  std::vector<int32_t> codes, segments;
  if (distance >= 0) {
    hierarchyBad = !query.Unpack(hierarchy, nodeCount, codes, segments) || !CodesWithin(codes);
    if (!hierarchyBad) CutCycles(codes, segments);
    hierarchyBad = hierarchyBad || !IsRealWalk(codes, segments, startCode, targetCode, distance);
  }
  if (hierarchyBad) {
    const int32_t result = FindRouteDirect(startCode, targetCode);
    routeTicks = QueryPerformanceCounter() - t0;
    return result;
  }
  const int32_t result = MarkFoundRoute(codes, segments);
  routeTicks = QueryPerformanceCounter() - t0;
  return result;
}

void FastRoutes::Adopt(std::unique_ptr<ContractionHierarchy> hierarchy, HierarchyQuery query) {
  hierarchy_ = std::move(hierarchy);
  query_ = std::move(query);
  if (!hierarchy_) return;
  query_.FitTo(*hierarchy_);
  FitSearchArrays();
}

bool FastRoutes::Ready() const {
  return hierarchy_ && hierarchy_->generation == graphGeneration && !GraphFitsPasses();
}

int32_t FastRoutes::Find(int32_t startCode, int32_t targetCode) {
  if (!Ready()) return FindRoute(startCode, targetCode);
  bool bad = false;
  const int32_t result = FindRouteInHierarchy(*hierarchy_, query_, startCode, targetCode, bad);
  if (bad) hierarchy_.reset();
  return result;
}
