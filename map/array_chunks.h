#pragma once

#include <cstddef>
#include <cstdint>

// Memory for the blocks of many small arrays made one after another, as a
// load makes its segments' vertex lists: each block is carved in turn out of
// a chunk of kChunkBytes, aligned to its size, so that it costs no heap call
// and no heap header, and finds its chunk from its own address. A chunk
// counts the blocks still held in it and is freed with the last of them, so
// that blocks may outlive the ArrayChunks that carved them. Counts are plain
// integers: one thread at a time.
class ArrayChunks {
 public:
  static constexpr size_t kChunkBytes = size_t{1} << 21;  // a large page (see PreferLargePages)
  // The largest block carved; a larger one is better had from the heap.
  static constexpr size_t kLargestBlock = 4096;

  ArrayChunks() = default;
  ArrayChunks(const ArrayChunks&) = delete;
  ArrayChunks& operator=(const ArrayChunks&) = delete;
  ~ArrayChunks();

  // A block of bytes (at most kLargestBlock) zeroed, aligned to 8 bytes;
  // nullptr when no chunk can be had.
  void* Take(size_t bytes);

  // Gives back a block that Take returned.
  static void Give(void* block);

 private:
  struct Chunk;
  static void Leave(Chunk* chunk);

  // Maps the chunk's pages up to end, and on to the next multiple of
  // kMapStretch, unless they are already: a chunk is mapped as it is carved,
  // a stretch at a time, so that a small load maps a few pages, not the
  // whole chunk.
  void MapAhead(size_t end);
  static constexpr size_t kMapStretch = size_t{1} << 16;

  Chunk* chunk_ = nullptr;  // the chunk being carved, held until the next one
  size_t used_ = 0;         // its bytes carved, header included
  size_t mapped_ = 0;       // its bytes mapped for writing, from its start
};
