#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "route/contraction_hierarchy.h"

// A route search over a contraction hierarchy, owning its working arrays
// (sized to the last hierarchy searched, reused between queries): one
// search climbs from the start over forward arcs, one from the target over
// backward arcs, each settling points in order of (distance, code) and
// skipping a point that a higher one reaches more cheaply (stall on
// demand), until neither can meet the other below the best distance yet.
// The same query on the same hierarchy gives the same route, whatever
// queries came before. Not shared between threads; the hierarchy must
// outlive nothing but each call. It needs a sound frame (IsSoundFrame) and
// trusts no arc: each is checked as it is read, and one that fails ends the
// search or unpacking (see HasMetBadArc).
class HierarchyQuery {
 public:
  // The shortest distance from startCode to targetCode, or -1 when the
  // target cannot be reached (or a code names no point of hierarchy, or the
  // search met a bad arc).
  int64_t Run(const ContractionHierarchy& hierarchy, int32_t startCode, int32_t targetCode);

  // The route of the last Run that found one, in road-graph terms: codes
  // from start to target and the segment between each two. False, with the
  // route incomplete, when it would hold more than maxPoints points or a
  // shortcut proves bad (a hierarchy that cannot be sound). The segments and
  // the weights are the caller's to check against the road graph.
  bool Unpack(const ContractionHierarchy& hierarchy, int32_t maxPoints, std::vector<int32_t>& codes,
              std::vector<int32_t>& segments);

  // Whether the last Run or Unpack met an arc that no sound hierarchy
  // holds: one to no point or of negative weight, or a shortcut whose
  // middle is no point ranked below its ends or whose halves lie outside
  // the middle's lists.
  bool HasMetBadArc() const { return metBadArc_; }

  // Sizes the working arrays to hierarchy now (on a country's map, hundreds
  // of megabytes), so that the first Run spends nothing on them.
  void FitTo(const ContractionHierarchy& hierarchy) { FitTo(hierarchy.nodeCount); }
  // The same for a hierarchy of nodeCount points, before it is had.
  void FitTo(int32_t nodeCount);

 private:
  // What one side knows of a point, together so that a point costs one
  // cache line: distances stay below 2147483647, as no longer path is ever
  // taken.
  struct Label {
    uint32_t stamp;  // reached in the run with this number
    int32_t distance;
    int32_t parentArc;  // -1 at the side's root
    int32_t parentNode;
  };
  struct Side {
    std::vector<Label> label;
    // (distance << 32 | code): settled in order of (distance, code).
    std::vector<uint64_t> heap;
  };
  bool Reached(const Side& side, int32_t code) const { return side.label[code].stamp == run_; }
  void Fit(Side& side, int32_t nodeCount);
  void Improve(Side& side, int32_t code, int64_t d, int32_t arc, int32_t from);
  bool Stalled(const ContractionHierarchy& h, const Side& side, bool forward, int32_t code, int64_t d);
  void Settle(const ContractionHierarchy& h, bool forward);

  Side forward_, backward_;
  uint32_t run_ = 0;
  bool metBadArc_ = false;
  int64_t best_ = -1;
  int32_t meeting_ = 0;
  // The arcs of the found route, each with its tail and head, in order.
  std::vector<int32_t> pathArcs_;
  std::vector<std::pair<int32_t, int32_t>> pathEnds_;
  std::vector<std::pair<int32_t, std::pair<int32_t, int32_t>>> stack_;
};
