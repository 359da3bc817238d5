// Both ways of finding a line's end against memchr, on random bytes in
// which line feeds, carriage returns, zero bytes and bytes with the top
// bit set are common.
#include "map/first_line_feed.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

template <size_t Bytes>
void ExpectBothFindWhatMemchrFinds(std::mt19937& random) {
  const std::string kBytes("\n\r\0\x0b\x09\x8a\xff 0a", 10);
  std::string text(Bytes, ' ');
  for (int trial = 0; trial < 20000; ++trial) {
    const int share = static_cast<int>(random() % 8);  // of the bytes drawn from kBytes, in eighths
    for (char& c : text) c = static_cast<int>(random() % 8) < share ? kBytes[random() % kBytes.size()] : 'x';
    const void* found = std::memchr(text.data(), '\n', Bytes);
    const size_t expected =
        found ? static_cast<size_t>(static_cast<const char*>(found) - text.data()) : Bytes;
    ASSERT_EQ(FirstLineFeed<Bytes>(text.data()), expected) << text;
    ASSERT_EQ(FirstLineFeedByWords<Bytes>(text.data()), expected) << text;
  }
}

TEST(FirstLineFeed, FindsWhatMemchrFinds) {
  std::mt19937 random(11);
  ExpectBothFindWhatMemchrFinds<16>(random);
  ExpectBothFindWhatMemchrFinds<32>(random);
}

}  // namespace
