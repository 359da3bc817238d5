#include "route/hierarchy_file.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <future>
#include <new>
#include <optional>
#include <system_error>
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

// The data is hashed in blocks of kBlock bytes (a whole number of every
// element stored), each independently, and the data hash is the hash of the
// blocks' hashes: two threads can each read and hash blocks of their own,
// each while it is still in the processor's cache.
constexpr uint64_t kBlock = uint64_t{5} << 16;
static_assert(kBlock % 4 == 0 && kBlock % sizeof(HierarchyArc) == 0, "blocks hold whole elements");

// The data's three arrays, one after another as in the file.
template <typename Byte>
struct Span {
  Byte* bytes;
  uint64_t size;
};
template <typename Byte>
using DataSpans = std::array<Span<Byte>, 3>;

template <typename Byte, typename Hierarchy>
DataSpans<Byte> SpansOf(Hierarchy& h) {
  return {{{reinterpret_cast<Byte*>(h.rank.data()), h.rank.size() * 4},
           {reinterpret_cast<Byte*>(h.arcStart.data()), h.arcStart.size() * 4},
           {reinterpret_cast<Byte*>(h.arcs.data()), h.arcs.size() * sizeof(HierarchyArc)}}};
}

uint64_t TotalSize(const DataSpans<const unsigned char>& spans) {
  return spans[0].size + spans[1].size + spans[2].size;
}

// Calls visit(bytes, count, offset) for the data's bytes [from, to), one
// array's part at a time (offset counts from the data's start); false as
// soon as visit is.
template <typename Byte, typename Visit>
bool VisitRange(const DataSpans<Byte>& spans, uint64_t from, uint64_t to, const Visit& visit) {
  uint64_t base = 0;
  for (const Span<Byte>& span : spans) {
    const uint64_t begin = std::max(from, base), end = std::min(to, base + span.size);
    if (begin < end && !visit(span.bytes + (begin - base), end - begin, begin)) return false;
    base += span.size;
  }
  return true;
}

uint64_t BlockCount(uint64_t dataSize) { return (dataSize + kBlock - 1) / kBlock; }

// The hash of block k into *hash, its bytes first passed to fill (which
// puts them in place, or returns false: then so does this).
template <typename Byte, typename Fill>
bool HashBlock(const DataSpans<Byte>& spans, uint64_t dataSize, uint64_t k, const Fill& fill,
               uint64_t* hash) {
  *hash = kMagic + k;
  return VisitRange(spans, k * kBlock, std::min(dataSize, (k + 1) * kBlock),
                    [&fill, hash](Byte* bytes, uint64_t count, uint64_t offset) {
                      if (!fill(bytes, count, offset)) return false;
                      *hash = HashBytes(bytes, count, *hash);
                      return true;
                    });
}

uint64_t HashOfBlocks(const std::vector<uint64_t>& blockHashes) {
  return HashBytes(blockHashes.data(), blockHashes.size() * 8, kMagic);
}

uint64_t DataHash(const ContractionHierarchy& h) {
  const auto spans = SpansOf<const unsigned char>(h);
  const uint64_t size = TotalSize(spans);
  std::vector<uint64_t> blockHashes(BlockCount(size));
  const auto inPlace = [](const unsigned char*, uint64_t, uint64_t) { return true; };
  for (uint64_t k = 0; k < blockHashes.size(); ++k) HashBlock(spans, size, k, inPlace, &blockHashes[k]);
  return HashOfBlocks(blockHashes);
}

// Reads the data into spans through readAt (from the file's offset
// dataOffset on) on this thread and, when one can be had, a second one,
// each taking the next block not yet taken. The data hash of what was read,
// or nullopt when a read failed.
std::optional<uint64_t> ReadBlocks(const std::function<bool(void*, size_t, uint64_t)>& readAt,
                                   uint64_t dataOffset, const DataSpans<unsigned char>& spans,
                                   uint64_t dataSize) {
  std::vector<uint64_t> blockHashes(BlockCount(dataSize));
  std::atomic<uint64_t> nextBlock{0};
  std::atomic<bool> failed{false};
  const auto fill = [&readAt, dataOffset](unsigned char* bytes, uint64_t count, uint64_t offset) {
    return readAt(bytes, count, dataOffset + offset);
  };
  const auto readSome = [&] {
    for (uint64_t k = nextBlock++; k < blockHashes.size() && !failed; k = nextBlock++)
      if (!HashBlock(spans, dataSize, k, fill, &blockHashes[k])) failed = true;
  };
  std::future<void> second;
  try {
    if (blockHashes.size() > 1) second = std::async(std::launch::async, readSome);
  } catch (const std::system_error&) {  // no second thread to be had: all on this one
  }
  readSome();
  if (second.valid()) second.get();
  if (failed) return std::nullopt;
  return HashOfBlocks(blockHashes);
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

std::unique_ptr<ContractionHierarchy> ReadHierarchy(
    const std::function<bool(void*, size_t, uint64_t)>& readAt, uint64_t size, const DirectedGraph& graph,
    uint64_t graphHash, bool checkDataHash) {
  Header header{};
  if (size < sizeof header || !readAt(&header, sizeof header, 0)) return nullptr;
  if (header.magic != kMagic || header.version != kHierarchyFormatVersion ||
      header.weighsDurations != (graph.weighsDurations ? 1u : 0u) || header.graphHash != graphHash ||
      header.nodeCount != graph.nodeCount || header.arcCount < 0 ||
      size != sizeof header + DataSize(header.nodeCount, header.arcCount))
    return nullptr;
  auto h = std::make_unique<ContractionHierarchy>();
  try {
    h->rank.resize(static_cast<size_t>(header.nodeCount) + 1);
    h->arcStart.resize(2 * static_cast<size_t>(header.nodeCount) + 1);
    h->arcs.resize(static_cast<size_t>(header.arcCount));  // unfilled: the reads write it first
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  const std::optional<uint64_t> dataHash =
      ReadBlocks(readAt, sizeof header, SpansOf<unsigned char>(*h), size - sizeof header);
  if (!dataHash || (checkDataHash && *dataHash != header.dataHash)) return nullptr;
  h->nodeCount = header.nodeCount;
  h->graphHash = graphHash;
  h->weighsDurations = graph.weighsDurations;
  h->generation = graph.generation;
  return IsSoundFrame(*h, graph.nodeCount) ? std::move(h) : nullptr;
}
