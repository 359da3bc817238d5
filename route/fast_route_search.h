#pragma once

#include <cstdint>
#include <memory>

#include "route/contraction_hierarchy.h"
#include "route/graph_search.h"
#include "route/hierarchy_query.h"
#include "route/turn_graph.h"

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
// graph is beyond the passes' capacity; FindRoute otherwise. On a map with
// turn restrictions, whatever its size, every route is the lightest that
// breaks no row and makes no U-turn but at a dead end: one of the turn graph
// expanded around the rows (see TurnGraph), found by its hierarchy when
// one is held, else by Dijkstra's search over it, unless that route makes a
// U-turn away from a dead end, when it is searched again over the turn
// graph expanded everywhere; it is marked as FindRoute marks its routes. Lives on the thread that searches
// (the window thread); a hierarchy or turn graph built on a worker is handed over once finished.
class FastRoutes {
 public:
  // From now on routes obey turns, built for the road graph as it now
  // stands (restamped with its generation: it may have been built aside
  // from it); nullptr: the road graph's routes. Drops a hierarchy made for
  // another graph.
  void SetTurns(std::shared_ptr<TurnGraph> turns);
  // The turn graph routes obey, or nullptr.
  const std::shared_ptr<const TurnGraph>& Turns() const { return turns_; }

  // Holds hierarchy (built or loaded for the road graph whose generation it
  // records) from now on, replacing any other, searched with query, whose
  // arrays are sized to it here unless they are already (a worker may have
  // done so), as are the route search's own; nullptr drops it.
  void Adopt(std::unique_ptr<ContractionHierarchy> hierarchy, HierarchyQuery query = HierarchyQuery());

  // Whether Find answers by the hierarchy: one is held, made for the road
  // graph's current generation (the turn graph's points, with turns), and
  // the graph is beyond the passes' capacity or has turns.
  bool Ready() const;

  // FindRoute's contract: FindRouteInHierarchy when Ready, dropping the
  // hierarchy when it proves bad; FindRoute (passes or the kept Dijkstra)
  // otherwise. With turns, the least weight of a route that obeys them.
  int32_t Find(int32_t startCode, int32_t targetCode);

  // Find for a leg that goes on where a route arrived at startCode: arrival
  // is the turn graph's state that route ended in (0: a route that starts
  // there), and becomes the state this route ends in at targetCode (as it
  // was when the route has one point; 0 without turns).
  int32_t FindLeg(int32_t startCode, int32_t targetCode, int32_t& arrival);

 private:
  int32_t FindWithTurns(int32_t startCode, int32_t targetCode, int32_t& arrival);
  // The route of least weight from startCode to targetCode over the turn
  // graph (going on from the state arrival when it is at startCode), by the
  // hierarchy when ready and sound, else by Dijkstra's search; arrival
  // becomes the state it ends in. False when there is none.
  bool TurnRoute(const TurnGraph& turns, bool byHierarchy, GraphSearch& search, int32_t startCode,
                 int32_t targetCode, int32_t& arrival, RoutePath& route);

  std::unique_ptr<ContractionHierarchy> hierarchy_;
  HierarchyQuery query_;
  std::shared_ptr<const TurnGraph> turns_;  // expanded around the rows
  GraphSearch turnSearch_;
  // The turn graph expanded everywhere, made when a route of turns_ makes a
  // U-turn away from a dead end, with its search.
  std::unique_ptr<TurnGraph> everywhere_;
  GraphSearch everywhereSearch_;
};
