#pragma once

#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>

#include "map/array_chunks.h"
#include "toolkit/exceptions.h"

// Whether a value-initialised T is all zero bytes, so that the zeroed memory
// of a new block already holds its elements and no construction pass is
// needed. True for trivial types; a type whose member initialisers and
// members' own new state are all zero says so by specialising this template.
template <typename T>
struct ZeroIsValueInitialized : std::is_trivial<T> {};

// A reference-counted array. The handle holds no block (the empty array) or
// a pointer to a block shared by every handle copied from it: a reference
// count, the length, then the elements, contiguous. Copying a handle shares
// its block; SetLength makes a new block on every call with n > 0 and copies
// the first min(old, n) elements into it by element assignment. Every element
// access is checked and raises DynArrayOutOfRange (index, length) outside
// [0, Length()). New elements are value-initialised, so numeric fields start
// at zero. Reference counts are plain integers: one thread only. A block
// comes from the heap, or was carved from an ArrayChunks (it then says so in
// a high bit of its count) and goes back to it.
template <typename T>
class DynamicArray {
 public:
  DynamicArray() = default;
  DynamicArray(const DynamicArray& other) : block_(other.block_) { Retain(); }
  DynamicArray& operator=(const DynamicArray& other) {
    if (block_ != other.block_) {
      Block* old = block_;
      block_ = other.block_;
      Retain();
      Release(old);
    }
    return *this;
  }
  ~DynamicArray() { Release(block_); }

  int32_t Length() const { return block_ ? block_->length : 0; }

  // Replaces the block with a new one of n elements (none when n is 0),
  // keeping the first min(Length(), n) elements. A negative n raises
  // DynArrayException; a block that cannot be allocated raises EOutOfMemory.
  void SetLength(int32_t n) { SetLength(n, nullptr); }

  // SetLength, with the new block carved from chunks unless it is larger
  // than ArrayChunks::kLargestBlock: for the many small arrays of a load.
  void SetLength(int32_t n, ArrayChunks& chunks) { SetLength(n, &chunks); }

  // Shortens the array to its first n elements in place and gives the
  // memory of the rest back, so that a block made as large as a table could
  // grow is filled without being copied. For element types whose zero bytes
  // are their new value, in a block no other handle shares, whose elements
  // past n are as SetLength made them: they hold nothing to release. Raises
  // DynArrayException otherwise.
  void DropUnfilledTail(int32_t n) {
    static_assert(ZeroIsValueInitialized<T>::value, "the dropped elements must be plain zero bytes");
    if (n < 0 || n > Length() || RefCount() > 1)
      throw DynArrayException("Cannot shorten an array of " + std::to_string(Length()) + " to " +
                              std::to_string(n) + " in place");
    if (n == Length()) return;
    if (n == 0) {
      FreeBlock(block_);
      block_ = nullptr;
      return;
    }
    if (block_->refCount & kCarved) {  // its chunk keeps the memory
      block_->length = n;
      return;
    }
    if (void* smaller = std::realloc(block_, Block::kHeader + sizeof(T) * static_cast<size_t>(n)))
      block_ = static_cast<Block*>(smaller);
    block_->length = n;
  }

  T& operator[](int32_t i) {
    Check(i);
    return block_->Elements()[i];
  }
  const T& operator[](int32_t i) const {
    Check(i);
    return block_->Elements()[i];
  }

  // The number of handles sharing the block; 0 for the empty array.
  int32_t RefCount() const { return block_ ? block_->refCount & ~kCarved : 0; }

 private:
  // The bit of a carved block's count: far above any count of handles.
  static constexpr int32_t kCarved = int32_t{1} << 30;

  void SetLength(int32_t n, ArrayChunks* chunks) {
    if (n < 0) throw DynArrayException("Negative array length " + std::to_string(n));
    Block* fresh = n > 0 ? Allocate(n, chunks) : nullptr;
    if (fresh) {
      const int32_t kept = Length() < n ? Length() : n;
      for (int32_t i = 0; i < kept; ++i) fresh->Elements()[i] = block_->Elements()[i];
    }
    Block* old = block_;
    block_ = fresh;
    Release(old);
  }

  struct Block {
    int32_t refCount;
    int32_t length;
    // The elements follow the header, aligned for T.
    static constexpr size_t kHeader = (sizeof(int32_t) * 2 + alignof(T) - 1) / alignof(T) * alignof(T);
    T* Elements() { return reinterpret_cast<T*>(reinterpret_cast<char*>(this) + kHeader); }
  };

  void Check(int32_t i) const {
    if (i < 0 || i >= Length()) throw DynArrayOutOfRange(i, Length());
  }

  void Retain() {
    if (block_) ++block_->refCount;
  }

  // calloc gives zeroed memory, which is already the value of a new element
  // when ZeroIsValueInitialized<T> holds; other element types are
  // constructed over it. A large block comes straight from the system's
  // zeroed pages, so it costs nothing until its elements are written.
  static Block* Allocate(int32_t n, ArrayChunks* chunks) {
    const size_t bytes = Block::kHeader + sizeof(T) * static_cast<size_t>(n);
    const bool carved = chunks && bytes <= ArrayChunks::kLargestBlock && alignof(T) <= 8;
    void* memory = carved ? chunks->Take(bytes) : std::calloc(1, bytes);
    if (!memory) throw EOutOfMemory("Out of memory for " + std::to_string(n) + " array elements");
    Block* block = static_cast<Block*>(memory);
    block->refCount = carved ? kCarved | 1 : 1;
    block->length = n;
    if constexpr (!ZeroIsValueInitialized<T>::value) {
      for (int32_t i = 0; i < n; ++i) new (block->Elements() + i) T();
    }
    return block;
  }

  static void Release(Block* block) {
    if (!block || (--block->refCount & ~kCarved) > 0) return;
    if constexpr (!std::is_trivially_destructible_v<T>) {
      for (int32_t i = 0; i < block->length; ++i) block->Elements()[i].~T();
    }
    FreeBlock(block);
  }

  // Gives the block's memory back; its elements hold nothing to release.
  // Out of line: inlined, it makes GCC see a free where a count above one
  // rules it out, and warn of a use after it.
  [[gnu::noinline]] static void FreeBlock(Block* block) {
    if (block->refCount & kCarved)
      ArrayChunks::Give(block);
    else
      std::free(block);
  }

  Block* block_ = nullptr;
};
