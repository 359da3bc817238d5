#include "route/hierarchy_file.h"

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

namespace {

constexpr uint64_t kMagic = 0x3148434c45565552ULL;  // "RUVELCH1" read as little-endian bytes

struct Header {
  uint64_t magic;
  uint32_t version;
  uint32_t weighsDurations;
  uint64_t graphHash;
  int32_t nodeCount;
  int32_t arcCount;
  uint64_t dataHash;
};
static_assert(sizeof(Header) == 40, "the header is stored as it lies in memory");
static_assert(sizeof(HierarchyArc) == 20, "arcs are stored as they lie in memory");

uint64_t DataSize(int64_t nodeCount, int64_t arcCount) {
  return 4 * static_cast<uint64_t>(nodeCount + 1) + 4 * static_cast<uint64_t>(2 * nodeCount + 1) +
         sizeof(HierarchyArc) * static_cast<uint64_t>(arcCount);
}

// The data is hashed in chunks of this many bytes, each chained on from the
// last, so that a reader hashes each chunk while it is still in the cache.
constexpr size_t kChunk = size_t{1} << 20;

uint64_t HashChunks(const void* data, size_t size, uint64_t hash) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t at = 0; at < size; at += kChunk)
    hash = HashBytes(bytes + at, std::min(kChunk, size - at), hash);
  return hash;
}

uint64_t DataHash(const ContractionHierarchy& h) {
  uint64_t hash = HashChunks(h.rank.data(), h.rank.size() * 4, kMagic);
  hash = HashChunks(h.arcStart.data(), h.arcStart.size() * 4, hash);
  return HashChunks(h.arcs.data(), h.arcs.size() * sizeof(HierarchyArc), hash);
}

// Reads size bytes into data chunk by chunk, chaining each chunk's hash
// onto *hash; false when read fails.
bool ReadHashed(const std::function<bool(void*, size_t)>& read, void* data, size_t size, uint64_t* hash) {
  auto* bytes = static_cast<unsigned char*>(data);
  for (size_t at = 0; at < size; at += kChunk) {
    const size_t chunk = std::min(kChunk, size - at);
    if (!read(bytes + at, chunk)) return false;
    *hash = HashBytes(bytes + at, chunk, *hash);
  }
  return true;
}

}  // namespace

uint64_t HierarchyFileSize(const ContractionHierarchy& h) {
  return sizeof(Header) + DataSize(h.nodeCount, static_cast<int64_t>(h.arcs.size()));
}

bool WriteHierarchy(const ContractionHierarchy& h, const std::function<bool(const void*, size_t)>& write) {
  const Header header = {kMagic,
                         kHierarchyFormatVersion,
                         h.weighsDurations ? 1u : 0u,
                         h.graphHash,
                         h.nodeCount,
                         static_cast<int32_t>(h.arcs.size()),
                         DataHash(h)};
  return write(&header, sizeof header) && write(h.rank.data(), h.rank.size() * 4) &&
         write(h.arcStart.data(), h.arcStart.size() * 4) &&
         write(h.arcs.data(), h.arcs.size() * sizeof(HierarchyArc));
}

std::unique_ptr<ContractionHierarchy> ReadHierarchy(const std::function<bool(void*, size_t)>& read,
                                                    uint64_t size, const DirectedGraph& graph,
                                                    bool checkDataHash) {
  Header header{};
  if (size < sizeof header || !read(&header, sizeof header)) return nullptr;
  const uint64_t graphHash = GraphHash(graph);
  if (header.magic != kMagic || header.version != kHierarchyFormatVersion ||
      header.weighsDurations != (graph.weighsDurations ? 1u : 0u) || header.graphHash != graphHash ||
      header.nodeCount != graph.nodeCount || header.arcCount < 0 ||
      size != sizeof header + DataSize(header.nodeCount, header.arcCount))
    return nullptr;
  auto h = std::make_unique<ContractionHierarchy>();
  try {
    h->rank.resize(static_cast<size_t>(header.nodeCount) + 1);
    h->arcStart.resize(2 * static_cast<size_t>(header.nodeCount) + 1);
    h->arcs.resize(static_cast<size_t>(header.arcCount));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  uint64_t dataHash = kMagic;
  if (!ReadHashed(read, h->rank.data(), h->rank.size() * 4, &dataHash) ||
      !ReadHashed(read, h->arcStart.data(), h->arcStart.size() * 4, &dataHash) ||
      !ReadHashed(read, h->arcs.data(), h->arcs.size() * sizeof(HierarchyArc), &dataHash))
    return nullptr;
  h->nodeCount = header.nodeCount;
  h->graphHash = graphHash;
  h->weighsDurations = graph.weighsDurations;
  h->generation = graph.generation;
  if (checkDataHash && dataHash != header.dataHash) return nullptr;
  return IsSoundHierarchy(*h, graph) ? std::move(h) : nullptr;
}
