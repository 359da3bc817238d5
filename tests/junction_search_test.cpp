// Finding junctions by name: the names shown, and matching that ignores
// letter case, checked against Qt's own case-insensitive comparison.
#include "map/junction_search.h"

#include <gtest/gtest.h>

#include <QString>
#include <random>
#include <string>
#include <vector>

#include "map/map_store.h"
#include "tests/store_setup.h"

TEST(JunctionName, DropsSurroundingQuotesAndUndoublesInnerOnes) {
  const std::pair<std::string, std::string> cases[] = {
      {"Gate", "Gate"},
      {"\"The \"\"Bell\"\" Inn\"", "The \"Bell\" Inn"},
      {"\"\"\"\"", "\""},
      {"\"\"", ""},
      {"\"", "\""},
      {"\"open", "\"open"},
      {"Say \"\"hi\"\"", "Say \"\"hi\"\""},  // not in quotes: as written
  };
  for (const auto& [text, name] : cases) EXPECT_EQ(JunctionName(text), name) << text;
}

// Random names and searches over letters with case pairs inside and outside
// ASCII: every search finds what a case-insensitive comparison of the names
// finds, in table order, cut at the limit.
TEST(JunctionSearch, MatchesIgnoringCaseLikeAnIndependentComparison) {
  const std::vector<std::string> alphabet = {"a", "A", "b", "B", "ü", "Ü", "é",
                                             "É", "σ", "Σ", "ж", "Ж", " ", "\""};
  std::mt19937 random(20);
  const auto randomText = [&](int longest) {
    std::string text;
    for (int n = std::uniform_int_distribution<int>(0, longest)(random); n > 0; --n)
      text += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)];
    return text;
  };
  std::vector<std::string> texts(300);
  for (std::string& text : texts) text = randomText(8);
  SetStore(std::vector<PointSpec>(texts.size()), {});
  for (int32_t i = 0; i < pointCount; ++i) points[i].Text = texts[i];
  const std::vector<std::string> folded = FoldedJunctionNames();
  int searchesWithMatches = 0;
  for (int search = 0; search < 200; ++search) {
    const QString text = QString::fromStdString(randomText(2));
    std::vector<int32_t> expected;
    for (int32_t i = 0; i < pointCount; ++i)
      if (QString::fromStdString(JunctionName(texts[i])).contains(text, Qt::CaseInsensitive))
        expected.push_back(i);
    searchesWithMatches += expected.size() > 3;
    for (const size_t limit : {FIND_LIST_LIMIT, size_t{3}}) {  // cutting the expected list as it goes
      expected.resize(std::min(limit, expected.size()));
      EXPECT_EQ(MatchingJunctions(folded, text.toStdString(), limit), expected) << text.toStdString();
    }
  }
  EXPECT_GT(searchesWithMatches, 100);
  ClearMapStore();
}
