#include "route/hierarchy_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <utility>
#include <vector>

#include "route/hierarchy_file.h"
#include "toolkit/memory_pages.h"

namespace {

constexpr const char* kPrefix = "hierarchy-";
constexpr const char* kSuffix = ".ruvelch";

bool IsHierarchyFileName(const std::string& name) {
  const std::string prefix = kPrefix, suffix = kSuffix;
  return name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Makes folder and any missing parent; whether it is there now.
bool MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info {};
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Reads size bytes from offset of fd; safe on two threads at once.
bool ReadFullyAt(int fd, void* data, size_t size, uint64_t offset) {
  MapPagesForWriting(data, size);
  auto* at = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = pread(fd, at, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    at += got;
    offset += static_cast<uint64_t>(got);
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteFully(int fd, const void* data, size_t size) {
  const auto* at = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t put = write(fd, at, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    at += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

// One hierarchy file of the folder: (modification time, name, size).
using CachedFile = std::tuple<int64_t, int64_t, std::string, uint64_t>;

std::vector<CachedFile> HierarchyFiles(const std::string& folder) {
  std::vector<CachedFile> files;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return files;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    struct stat info {};
    if (!IsHierarchyFileName(name) || lstat((folder + "/" + name).c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode))
      continue;
    files.emplace_back(info.st_mtim.tv_sec, info.st_mtim.tv_nsec, name, static_cast<uint64_t>(info.st_size));
  }
  closedir(dir);
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::string DefaultHierarchyCacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/ruvel";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.cache/ruvel";
  return "";
}

HierarchyCache::HierarchyCache(std::string folder, uint64_t limitBytes)
    : folder_(std::move(folder)), limit_(limitBytes) {}

std::string HierarchyCache::PathFor(uint64_t graphHash) const {
  char name[64];
  std::snprintf(name, sizeof name, "%s%016llx-v%u%s", kPrefix, static_cast<unsigned long long>(graphHash),
                kHierarchyFormatVersion, kSuffix);
  return folder_ + "/" + name;
}

std::unique_ptr<ContractionHierarchy> HierarchyCache::Load(const DirectedGraph& graph) const {
  if (folder_.empty()) return nullptr;
  const uint64_t graphHash = GraphHash(graph);
  const int fd = open(PathFor(graphHash).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  std::unique_ptr<ContractionHierarchy> hierarchy;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    hierarchy = ReadHierarchy(
        [fd](void* data, size_t size, uint64_t offset) { return ReadFullyAt(fd, data, size, offset); },
        static_cast<uint64_t>(info.st_size), graph, graphHash);
  }
  if (hierarchy) futimens(fd, nullptr);  // used now: the last to be removed
  close(fd);
  return hierarchy;
}

void HierarchyCache::MakeRoomFor(uint64_t bytes, const std::string& keep) const {
  std::vector<CachedFile> files = HierarchyFiles(folder_);
  uint64_t total = bytes;
  for (const CachedFile& file : files)
    if (std::get<2>(file) != keep) total += std::get<3>(file);
  for (const CachedFile& file : files) {
    if (total <= limit_) return;
    if (std::get<2>(file) == keep) continue;
    if (unlink((folder_ + "/" + std::get<2>(file)).c_str()) == 0) total -= std::get<3>(file);
  }
}

bool HierarchyCache::Writable() const {
  return !folder_.empty() && MakeFolders(folder_) && access(folder_.c_str(), W_OK) == 0;
}

HierarchyCache::Saved HierarchyCache::Save(const ContractionHierarchy& hierarchy) const {
  const uint64_t bytes = HierarchyFileSize(hierarchy);
  if (bytes > limit_) return Saved::kTooLarge;
  if (!Writable()) return Saved::kNotWritten;
  const std::string path = PathFor(hierarchy.graphHash);
  MakeRoomFor(bytes, path.substr(folder_.size() + 1));
  std::string temporary = folder_ + "/.hierarchy-XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return Saved::kNotWritten;
  const bool written =
      WriteHierarchy(hierarchy, [fd](const void* data, size_t size) { return WriteFully(fd, data, size); });
  const bool closed = close(fd) == 0;
  if (written && closed && rename(temporary.c_str(), path.c_str()) == 0) return Saved::kYes;
  unlink(temporary.c_str());
  return Saved::kNotWritten;
}

std::unique_ptr<ContractionHierarchy> LoadOrBuildHierarchy(const DirectedGraph& graph,
                                                           const HierarchyCache& cache, bool save,
                                                           HierarchyProgress* progress,
                                                           HierarchyCache::Saved* saved, int threads) {
  if (auto loaded = cache.Load(graph)) {
    if (saved) *saved = HierarchyCache::Saved::kYes;
    if (progress) progress->percent = 100;
    return loaded;
  }
  auto built = BuildContractionHierarchy(graph, progress, threads);
  const HierarchyCache::Saved result =
      built && save ? cache.Save(*built) : HierarchyCache::Saved::kNotWritten;
  if (saved) *saved = result;
  return built;
}
