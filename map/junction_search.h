#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Finding junctions of the open map by their names.

// The most junctions the window lists for one search.
constexpr size_t FIND_LIST_LIMIT = 200;

// The name in a junction's text (TFieldM::Text, its attribute row after the
// code and comma): a text in double quotes without them, each doubled quote
// inside undoubled; any other text as it is.
std::string JunctionName(std::string_view text);

// "code: name" for the point at index, as junctions are listed.
std::string JunctionLabel(int32_t index);

// The names of every point, in table order, case folded for
// MatchingJunctions.
std::vector<std::string> FoldedJunctionNames();

// The indices, in table order, of the first limit points whose name
// contains text, ignoring letter case; foldedNames comes from
// FoldedJunctionNames. An empty text is contained in every name.
std::vector<int32_t> MatchingJunctions(const std::vector<std::string>& foldedNames, const std::string& text,
                                       size_t limit);
