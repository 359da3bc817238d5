#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The maps opened most recently, newest first, each once, by full path, at
// most kLimit of them.
class RecentMaps {
 public:
  static constexpr std::size_t kLimit = 8;

  RecentMaps() = default;
  // The list as it was kept: empty paths and repeats are dropped, and what
  // is beyond the limit.
  explicit RecentMaps(const std::vector<std::string>& paths);

  const std::vector<std::string>& Paths() const { return paths_; }

  // Puts path first, removing it from further down; the oldest beyond the
  // limit drops out.
  void Add(std::string path);

  // Removes path, when listed. Both take path by value, so that it may be
  // one of Paths() itself.
  void Remove(std::string path);

  void Clear() { paths_.clear(); }

 private:
  std::vector<std::string> paths_;
};
