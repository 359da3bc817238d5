#include "app/recent_maps.h"

#include <algorithm>
#include <utility>

RecentMaps::RecentMaps(const std::vector<std::string>& paths) {
  for (auto path = paths.rbegin(); path != paths.rend(); ++path)
    if (!path->empty()) Add(*path);
}

void RecentMaps::Add(std::string path) {
  Remove(path);
  paths_.insert(paths_.begin(), std::move(path));
  if (paths_.size() > kLimit) paths_.resize(kLimit);
}

void RecentMaps::Remove(std::string path) {
  paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
}
