#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/contraction_hierarchy.h"
#include "route/directed_graph.h"
#include "route/fast_route_search.h"
#include "route/hierarchy_cache.h"
#include "route/hierarchy_query.h"
#include "route/route_search.h"
#include "route/turn_graph.h"
#include "toolkit/exceptions.h"

namespace {

// Runs build on a worker while this thread draws its percentage as a bar on
// standard error, when that is a terminal.
std::unique_ptr<ContractionHierarchy> WithProgressBar(
    HierarchyProgress& progress, const std::function<std::unique_ptr<ContractionHierarchy>()>& build) {
  auto result = std::async(std::launch::async, build);
  const bool drawn = isatty(STDERR_FILENO);
  while (result.wait_for(std::chrono::milliseconds(250)) != std::future_status::ready) {
    if (!drawn) continue;
    const int percent = progress.percent;
    std::fprintf(stderr, "\rPreparing fast routes [%-40s] %3d%%",
                 std::string(percent * 40 / 100, '#').c_str(), percent);
  }
  if (drawn) std::fputs("\r\033[K", stderr);
  return result.get();
}

Exception CannotWrite(const HierarchyCache& cache) {
  return Exception("cannot write the prepared routes into " +
                   (cache.Folder().empty() ? std::string("a cache folder (no HOME)") : cache.Folder()));
}

}  // namespace

void RunPrepare(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--fastest")) throw UsageError();
  const TurnRestrictions restrictions = LoadMap(args[0]);
  if (args.size() == 2) WeighByDurations(args[0]);
  if (GraphFitsPasses() && restrictions.rows.empty()) {
    std::printf("%s is searched directly: nothing to prepare\n", args[0].c_str());
    return;
  }
  // The build needs only the graph, taken out of the road graph's arrays:
  // the map's tables, most of the memory of a loaded map, are dropped and
  // their pages given back first.
  const DirectedGraph road = TakeRoadGraph();
  const std::shared_ptr<TurnGraph> turns = TurnsOf(road, restrictions);
  const DirectedGraph& graph = turns ? turns->Graph() : road;
  if (!CanContract(graph))
    throw Exception(args[0] + " has a road of negative length: its routes cannot be prepared");
  ClearMapStore();
  malloc_trim(0);
  const HierarchyCache cache;
  if (!cache.Writable()) throw CannotWrite(cache);
  HierarchyProgress progress;
  HierarchyCache::Saved saved = HierarchyCache::Saved::kNotWritten;
  const auto hierarchy = WithProgressBar(
      progress, [&] { return LoadOrBuildHierarchy(graph, cache, true, &progress, &saved, 2); });
  if (saved == HierarchyCache::Saved::kTooLarge)
    throw Exception("the prepared routes of " + args[0] + " pass the cache's limit of 4 GB: not kept");
  if (saved != HierarchyCache::Saved::kYes) throw CannotWrite(cache);
  std::printf("prepared: %s\n", cache.PathFor(hierarchy->graphHash).c_str());
}

FastRoutes CachedFastRoutes(bool useCache, const TurnRestrictions& restrictions) {
  FastRoutes routes;
  const std::shared_ptr<TurnGraph> turns = TurnsOf(SnapshotRoadGraph(), restrictions);
  routes.SetTurns(turns);
  if (!useCache || (GraphFitsPasses() && !turns)) return routes;
  // The search's arrays are sized on another thread while this one reads
  // the cache (they touch none of the road graph's arrays that it reads).
  HierarchyQuery query;
  const auto fitArrays = [&query, &turns] {
    FitSearchArrays();
    query.FitTo(turns ? turns->Graph().nodeCount : nodeCount);
  };
  std::future<void> fitted;
  try {
    fitted = std::async(std::launch::async, fitArrays);
  } catch (const std::system_error&) {  // no other thread to be had: after the reading
  }
  auto hierarchy = HierarchyCache().Load(turns ? turns->Graph() : SnapshotRoadGraph());
  if (fitted.valid())
    fitted.get();
  else
    fitArrays();
  routes.Adopt(std::move(hierarchy), std::move(query));
  return routes;
}
