#include "toolkit/memory_pages.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Mapping pages ahead and asking for large pages change no byte: those
// written keep their value, the others stay zero, whatever range is asked
// for (unaligned ends, a part of a page, nothing, several large pages), in
// memory of which only some pages were touched.
TEST(MemoryPages, MappingKeepsEveryByte) {
  constexpr size_t kBytes = 3 << 21;
  auto* memory = static_cast<unsigned char*>(
      ::mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(memory, MAP_FAILED);
  std::vector<unsigned char> expected(kBytes, 0);
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const size_t at = random() % kBytes, length = random() % (round % 3 == 2 ? kBytes : 3 * 4096);
    if (round % 3 == 0) {  // a few bytes written somewhere
      for (size_t k = at; k < std::min(kBytes, at + length % 64); ++k) memory[k] = expected[k] = random() | 1;
    } else if (round % 3 == 1) {
      MapPagesForWriting(memory + at, std::min(length, kBytes - at));
    } else {
      PreferLargePages(memory + at, std::min(length, kBytes - at));
    }
  }
  MapPagesForWriting(nullptr, 0);
  PreferLargePages(nullptr, 0);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), memory));
  ::munmap(memory, kBytes);
}

}  // namespace
