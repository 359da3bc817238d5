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

// The data is hashed in chunks of this many bytes (a whole number of every
// element stored), each chained on from the last, so that a reader hashes
// each chunk while it is still in the cache.
constexpr size_t kChunk = size_t{5} << 18;
static_assert(kChunk % 4 == 0 && kChunk % sizeof(HierarchyArc) == 0, "chunks hold whole elements");

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

// Reads count elements into array, whose room must be reserved, a chunk at
// a time: each chunk is added, read and hashed (chained onto *hash) while
// it is in the cache. False when read fails.
template <typename T>
bool ReadHashed(const std::function<bool(void*, size_t)>& read, std::vector<T>& array, size_t count,
                uint64_t* hash) {
  while (array.size() < count) {
    const size_t at = array.size(), items = std::min(kChunk / sizeof(T), count - at);
    array.resize(at + items);
    if (!read(array.data() + at, items * sizeof(T))) return false;
    *hash = HashBytes(array.data() + at, items * sizeof(T), *hash);
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
                                                    uint64_t graphHash, bool checkDataHash) {
  Header header{};
  if (size < sizeof header || !read(&header, sizeof header)) return nullptr;
  if (header.magic != kMagic || header.version != kHierarchyFormatVersion ||
      header.weighsDurations != (graph.weighsDurations ? 1u : 0u) || header.graphHash != graphHash ||
      header.nodeCount != graph.nodeCount || header.arcCount < 0 ||
      size != sizeof header + DataSize(header.nodeCount, header.arcCount))
    return nullptr;
  auto h = std::make_unique<ContractionHierarchy>();
  try {
    h->rank.reserve(static_cast<size_t>(header.nodeCount) + 1);
    h->arcStart.reserve(2 * static_cast<size_t>(header.nodeCount) + 1);
    h->arcs.reserve(static_cast<size_t>(header.arcCount));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  uint64_t dataHash = kMagic;
  if (!ReadHashed(read, h->rank, static_cast<size_t>(header.nodeCount) + 1, &dataHash) ||
      !ReadHashed(read, h->arcStart, 2 * static_cast<size_t>(header.nodeCount) + 1, &dataHash) ||
      !ReadHashed(read, h->arcs, static_cast<size_t>(header.arcCount), &dataHash))
    return nullptr;
  h->nodeCount = header.nodeCount;
  h->graphHash = graphHash;
  h->weighsDurations = graph.weighsDurations;
  h->generation = graph.generation;
  if (checkDataHash && dataHash != header.dataHash) return nullptr;
  return IsSoundHierarchy(*h, graph) ? std::move(h) : nullptr;
}
