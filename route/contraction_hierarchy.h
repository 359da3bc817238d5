#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "route/directed_graph.h"

// The weights and distances of a hierarchy's searches: no arc of
// kWeightLimit or more is kept or followed, as the searches of the road
// graph take no such path either; kFar stands for no distance at all.
constexpr int32_t kWeightLimit = std::numeric_limits<int32_t>::max();
constexpr int64_t kFar = std::numeric_limits<int64_t>::max();

// One arc of a contraction hierarchy, held by its lower-ranked end (its
// owner). In the owner's forward list it leads from the owner to `other`;
// in its backward list from `other` to the owner. An arc is a road-graph
// entry (middle 0, first the segment, second -1) or a shortcut through the
// point `middle`, ranked below both ends: first is the arc tail->middle (in
// middle's backward list), second the arc middle->head (in middle's forward
// list), and weight is the sum of theirs.
struct HierarchyArc {
  int32_t other;
  int32_t weight;
  int32_t middle;
  int32_t first;
  int32_t second;
};

// An allocator whose resize leaves new elements default-initialised (for
// plain structs: unwritten), so that an array about to be overwritten whole
// is not zero-filled first; its pages are then first touched by whoever
// fills them.
template <typename T>
struct UnfilledAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UnfilledAllocator<U>;
  };
  UnfilledAllocator() = default;
  template <typename U>
  UnfilledAllocator(const UnfilledAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <typename U, typename... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
};

// A contraction hierarchy over a directed graph: every point ranked, and
// arcs leading only upwards in rank, such that for any two points the
// shortest distance is the shortest path that climbs from the start and
// descends to the target. Owns its arrays; never changes once built or
// loaded. Distances below 2147483647 are those of the graph: an arc of that
// weight or more is never kept, as the searches of the road graph take no
// such path either.
struct ContractionHierarchy {
  int32_t nodeCount = 0;
  // rank[c] for codes 1..nodeCount: a permutation of 0..nodeCount - 1.
  std::vector<int32_t> rank;
  // The forward arcs of code c are arcs[arcStart[2c - 2] .. arcStart[2c - 1]),
  // its backward arcs arcs[arcStart[2c - 1] .. arcStart[2c]).
  std::vector<int32_t> arcStart;
  std::vector<HierarchyArc, UnfilledAllocator<HierarchyArc>> arcs;
  // The graph it was built for: its hash, what it weighs, the road graph's
  // generation the caller matched it to.
  uint64_t graphHash = 0;
  bool weighsDurations = false;
  uint32_t generation = 0;

  int32_t ForwardBegin(int32_t code) const { return arcStart[2 * code - 2]; }
  int32_t BackwardBegin(int32_t code) const { return arcStart[2 * code - 1]; }
  int32_t BackwardEnd(int32_t code) const { return arcStart[2 * code]; }
};

// What a build running on a worker thread tells its caller, and the
// caller's request to stop it. The build writes percent; any thread may read
// it and set cancel at any time.
struct HierarchyProgress {
  std::atomic<int> percent{0};
  std::atomic<bool> cancel{false};
};

// Whether a hierarchy can be built for graph: no entry weighs less than 0.
bool CanContract(const DirectedGraph& graph);

// Builds the hierarchy of graph on this thread, or with a second one too
// (threads 2): the same hierarchy either way, and on every run. Points are
// taken out in rounds, each round the points whose (edge difference +
// contracted neighbours + level, code) is below all their neighbours',
// which are repriced after it; witness searches are limited to a number of
// settled points, so that a shortcut is left out only when a path at most
// as short avoids the point. Entries naming no point, loops and all but the
// lightest (first among equals) of parallel entries take no part. Returns
// nullptr when progress->cancel was set or the graph cannot be contracted;
// raises EOutOfMemory when memory runs out.
std::unique_ptr<ContractionHierarchy> BuildContractionHierarchy(const DirectedGraph& graph,
                                                                HierarchyProgress* progress = nullptr,
                                                                int threads = 1);

// Whether hierarchy's frame is sound for a graph of nodeCount points:
// ranks a permutation, every point's lists in order and within the arcs.
// The arcs themselves are checked by the query as it reads them (see
// HierarchyQuery), each before it is used, so that a hierarchy of a sound
// frame is safe to search and unpack whatever its arcs hold: checking
// them all up front would take longer than reading them.
bool IsSoundFrame(const ContractionHierarchy& hierarchy, int32_t nodeCount);
