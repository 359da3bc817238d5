#include "map/array_chunks.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "toolkit/memory_pages.h"

// The chunk's header; the blocks follow it.
struct ArrayChunks::Chunk {
  int64_t held;  // blocks not given back, and 1 while it is being carved
};

namespace {
constexpr size_t kAlignment = 8;
}  // namespace

ArrayChunks::~ArrayChunks() {
  if (chunk_) Leave(chunk_);
}

void* ArrayChunks::Take(size_t bytes) {
  bytes = (bytes + kAlignment - 1) / kAlignment * kAlignment;
  if (!chunk_ || used_ + bytes > kChunkBytes) {
    void* memory = std::aligned_alloc(kChunkBytes, kChunkBytes);
    if (!memory) return nullptr;
    PreferLargePages(memory, kChunkBytes);
    if (chunk_) Leave(chunk_);
    chunk_ = static_cast<Chunk*>(memory);
    chunk_->held = 1;
    used_ = sizeof(Chunk);
    mapped_ = 0;
  }
  char* block = reinterpret_cast<char*>(chunk_) + used_;
  used_ += bytes;
  MapAhead(used_);
  ++chunk_->held;
  std::memset(block, 0, bytes);
  return block;
}

void ArrayChunks::MapAhead(size_t end) {
  if (end <= mapped_) return;
  const size_t from = mapped_;
  mapped_ = std::min(kChunkBytes, (end + kMapStretch - 1) / kMapStretch * kMapStretch);
  MapPagesForWriting(reinterpret_cast<char*>(chunk_) + from, mapped_ - from);
}

void ArrayChunks::Give(void* block) {
  Leave(reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(block) & ~(uintptr_t{kChunkBytes} - 1)));
}

void ArrayChunks::Leave(Chunk* chunk) {
  if (--chunk->held == 0) std::free(chunk);
}
