// The fuzz target of the hierarchy cache's reader: one input is a stored
// hierarchy from its point and arc counts on (the magic word, version,
// weights, graph hash and point count before them are those of a small
// fixed graph, so that the fuzzer reaches the data), read without its data
// hash check. A file the reader takes must be safe to search and unpack
// between every two points; a crash or a sanitizer report is a fault.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "route/contraction_hierarchy.h"
#include "route/hierarchy_file.h"
#include "route/hierarchy_query.h"

namespace {

// Six points: a one-way ring, a two-way chord of length 0, parallel entries
// and an entry naming no point.
DirectedGraph SmallGraph() {
  DirectedGraph graph;
  graph.nodeCount = 6;
  graph.nodeStart = {0, 2, 4, 5, 7, 8, 9};
  graph.adjNode = {2, 4, 3, 3, 4, 5, 1, 6, 1};
  graph.adjWeight = {5, 0, 7, 9, 2, 3, 0, 4, 6};
  graph.adjSegment = {0, 1, 2, 3, 4, 5, 1, 6, 7};
  return graph;
}

constexpr size_t kFixedHeader = 28;  // the header's bytes up to the arc count

const std::string& FixedHeader() {
  static const std::string header = [] {
    std::string bytes;
    const auto hierarchy = BuildContractionHierarchy(SmallGraph());
    WriteHierarchy(*hierarchy, [&bytes](const void* data, size_t size) {
      bytes.append(static_cast<const char*>(data), size);
      return true;
    });
    return bytes.substr(0, kFixedHeader);
  }();
  return header;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DirectedGraph graph = SmallGraph();
  static const uint64_t graphHash = GraphHash(graph);
  const std::string file = FixedHeader() + std::string(reinterpret_cast<const char*>(data), size);
  const auto read = [&file](void* into, size_t bytes, uint64_t at) {
    if (at > file.size() || bytes > file.size() - at) return false;
    std::memcpy(into, file.data() + at, bytes);
    return true;
  };
  const auto hierarchy = ReadHierarchy(read, file.size(), graph, graphHash, false);
  if (!hierarchy) return 0;
  HierarchyQuery query;
  std::vector<int32_t> codes, segments;
  for (int32_t start = 0; start <= graph.nodeCount + 1; ++start)
    for (int32_t target = 0; target <= graph.nodeCount + 1; ++target)
      if (query.Run(*hierarchy, start, target) >= 0) query.Unpack(*hierarchy, 64, codes, segments);
  return 0;
}
