#include "map/junction_search.h"

#include "map/map_store.h"
#include "toolkit/case_folding.h"
#include "toolkit/text.h"

std::string JunctionName(std::string_view text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::string(text);
  std::string name;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    name += text[i];
    if (text[i] == '"' && text[i + 1] == '"' && i + 2 < text.size()) ++i;
  }
  return name;
}

std::string JunctionLabel(int32_t index) {
  return IntToStr(points[index].Code) + ": " + JunctionName(points[index].Text);
}

std::vector<std::string> FoldedJunctionNames() {
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(pointCount));
  for (int32_t i = 0; i < pointCount; ++i) names.push_back(CaseFolded(JunctionName(points[i].Text)));
  return names;
}

std::vector<int32_t> MatchingJunctions(const std::vector<std::string>& foldedNames, const std::string& text,
                                       size_t limit) {
  const std::string wanted = CaseFolded(text);
  std::vector<int32_t> found;
  for (size_t i = 0; i < foldedNames.size() && found.size() < limit; ++i)
    if (foldedNames[i].find(wanted) != std::string::npos) found.push_back(static_cast<int32_t>(i));
  return found;
}
