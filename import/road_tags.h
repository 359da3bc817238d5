#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The tags of one feature, key and value texts as the source writes them,
// gathered from the fields named after them and from an OpenStreetMap
// `other_tags` field.
class RoadTags {
 public:
  // Forgets every tag.
  void Clear() { tags_.clear(); }

  // Adds a tag; an earlier tag of the same key keeps its place before it.
  void Add(std::string key, std::string value) { tags_.emplace_back(std::move(key), std::move(value)); }

  // Adds the pairs of an `other_tags` text: "key"=>"value" pairs separated
  // by commas, each key and value quoted, a backslash before a quote or
  // backslash that belongs to the text. Reading stops at the first text
  // that is not such a pair; the pairs before it are kept.
  void AddOtherTags(std::string_view text);

  // The value of the first tag with the key, or null.
  const std::string* Find(std::string_view key) const;

 private:
  std::vector<std::pair<std::string, std::string>> tags_;
};
