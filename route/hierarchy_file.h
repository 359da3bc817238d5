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
// the arcs, in this machine's byte order. The data hash is a hash of the
// hashes of the data's blocks of 320 KiB, so that two threads can each read
// and hash blocks of their own.
constexpr uint32_t kHierarchyFormatVersion = 3;

// The number of bytes WriteHierarchy writes for hierarchy.
uint64_t HierarchyFileSize(const ContractionHierarchy& hierarchy);

// Writes hierarchy through write (which returns false when the bytes could
// not all be written); false as soon as write fails.
bool WriteHierarchy(const ContractionHierarchy& hierarchy,
                    const std::function<bool(const void*, size_t)>& write);

// Reads, through readAt (which fills exactly the bytes asked for from the
// given offset of the file, or returns false; two threads may call it at
// once), a stored hierarchy of size bytes for graph, whose GraphHash the
// caller passes as graphHash. Refuses (nullptr) one
// whose header differs from graph's in any field (magic, version, weights,
// graph hash, point count), whose size does not match its counts, whose data
// hash fails (unless checkDataHash is false) or whose frame is not sound
// (IsSoundFrame; its arcs are checked as they are used). Never reads more than size bytes nor allocates more
// than they describe. The hierarchy returned records graph's generation.
std::unique_ptr<ContractionHierarchy> ReadHierarchy(
    const std::function<bool(void*, size_t, uint64_t)>& readAt, uint64_t size, const DirectedGraph& graph,
    uint64_t graphHash, bool checkDataHash = true);
