#pragma once

#include <cstdint>
#include <memory>

#include "route/contraction_hierarchy.h"
#include "route/hierarchy_query.h"

// FindRoute's contract and outputs (routeTicks, the route flags,
// RouteCodes, RouteSegments, RouteLength; RouteNotFound() when the target
// cannot be reached), answered by a contraction hierarchy of the road graph
// as it now stands: the ticks cover the whole search, unpacking included.
// Every route is checked to be a walk along real entries of the road graph
// whose weights add up to the distance found (a walk that passes a point
// twice, over a cycle of weight 0, is cut short first). When the hierarchy
// was not made for this road graph (another generation or point count), its
// search meets a bad arc, or a route fails the check, sets hierarchyBad, for the caller to drop it, and
// answers with FindRouteDirect. Codes outside 1..nodeCount take
// FindRouteDirect too. Ends any kept search.
int32_t FindRouteInHierarchy(const ContractionHierarchy& hierarchy, HierarchyQuery& query, int32_t startCode,
                             int32_t targetCode, bool& hierarchyBad);

// The route search of a window or command: a contraction hierarchy with
// its query, when one is held for the road graph as it now stands and the
// graph is beyond the passes' capacity; FindRoute otherwise. Lives on the
// thread that searches (the window thread); a hierarchy built on a worker
// is handed over with Adopt once finished.
class FastRoutes {
 public:
  // Holds hierarchy (built or loaded for the road graph whose generation it
  // records) from now on, replacing any other, searched with query, whose
  // arrays are sized to it here unless they are already (a worker may have
  // done so), as are the route search's own; nullptr drops it.
  void Adopt(std::unique_ptr<ContractionHierarchy> hierarchy, HierarchyQuery query = HierarchyQuery());

  // Whether Find answers by the hierarchy: one is held, made for the road
  // graph's current generation, and the graph is beyond the passes'
  // capacity.
  bool Ready() const;

  // FindRoute's contract: FindRouteInHierarchy when Ready, dropping the
  // hierarchy when it proves bad; FindRoute (passes or the kept Dijkstra)
  // otherwise.
  int32_t Find(int32_t startCode, int32_t targetCode);

 private:
  std::unique_ptr<ContractionHierarchy> hierarchy_;
  HierarchyQuery query_;
};
