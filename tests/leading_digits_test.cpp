// The eight-at-once digit reader against a plain loop, on random texts of
// digits and the bytes that end numbers, from every position: the bytes
// around the digits (near a text's end, before its start) must not count.
#include "map/leading_digits.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

TEST(LeadingDigits, MatchesAPlainLoopOnRandomTexts) {
  std::mt19937 random(7);
  const std::string kEnds("\0 -,\r\n/:\xb0\xff", 10);  // bytes that end a number
  for (int trial = 0; trial < 20000; ++trial) {
    std::string text(std::uniform_int_distribution<size_t>(0, 24)(random), ' ');
    const int digitShare = std::uniform_int_distribution<int>(0, 10)(random);
    for (char& c : text) {
      const bool digit = std::uniform_int_distribution<int>(0, 9)(random) < digitShare;
      c = digit ? static_cast<char>('0' + random() % 10) : kEnds[random() % kEnds.size()];
    }
    for (size_t from = 0; from <= text.size(); ++from) {
      size_t count = 0;
      uint32_t expected = 0;
      for (;
           count < 9 && from + count < text.size() && text[from + count] >= '0' && text[from + count] <= '9';
           ++count)
        expected = expected * 10 + static_cast<uint32_t>(text[from + count] - '0');
      uint32_t value = 0;
      ASSERT_EQ(LeadingDigits(text, from, value), count) << '"' << text << "\" from " << from;
      if (count > 0) {
        ASSERT_EQ(value, expected) << '"' << text << "\" from " << from;
      }
    }
  }
}
