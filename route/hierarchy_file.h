#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "route/contraction_hierarchy.h"
#include "route/directed_graph.h"

// The stored form of a contraction hierarchy: a header (a magic word, the
// format version, whether it weighs durations, the graph's hash, the point
// and arc counts, a hash of the data), then the ranks, the list starts and
// the arcs, in this machine's byte order.
constexpr uint32_t kHierarchyFormatVersion = 2;

// The number of bytes WriteHierarchy writes for hierarchy.
uint64_t HierarchyFileSize(const ContractionHierarchy& hierarchy);

// Writes hierarchy through write (which returns false when the bytes could
// not all be written); false as soon as write fails.
bool WriteHierarchy(const ContractionHierarchy& hierarchy,
                    const std::function<bool(const void*, size_t)>& write);

// Reads, through read (which fills exactly the bytes asked for, or returns
// false), a stored hierarchy of size bytes for graph, whose GraphHash the
// caller passes as graphHash. Refuses (nullptr) one
// whose header differs from graph's in any field (magic, version, weights,
// graph hash, point count), whose size does not match its counts, whose data
// hash fails (unless checkDataHash is false) or that is not sound for graph
// (IsSoundHierarchy). Never reads more than size bytes nor allocates more
// than they describe. The hierarchy returned records graph's generation.
std::unique_ptr<ContractionHierarchy> ReadHierarchy(const std::function<bool(void*, size_t)>& read,
                                                    uint64_t size, const DirectedGraph& graph,
                                                    uint64_t graphHash, bool checkDataHash = true);
