#include "map/map_lock.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

// The folder part of path, with its slash; empty for a bare name.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Whether the open file fd is the file now at path.
bool StillAt(int fd, const std::string& path) {
  struct stat open {
  }, named{};
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

// How often, and how long apart, a lock found held is tried again.
constexpr int kBusyTries = 50;
constexpr useconds_t kBusyPauseMicroseconds = 2000;

}  // namespace

std::string ShortMapKey(const std::string& mifPath) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : mifPath) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char key[17];
  std::snprintf(key, sizeof key, "%016llx", static_cast<unsigned long long>(hash));
  return key;
}

std::string MapLockPath(const std::string& mifPath) {
  const std::string folder = FolderOf(mifPath), name = mifPath.substr(folder.size());
  if (name.size() + 6 <= NAME_MAX) return folder + "." + name + ".lock";
  return folder + ".ruvel-" + ShortMapKey(mifPath) + ".lock";
}

MapLock::MapLock(const std::string& mifPath) : path_(MapLockPath(mifPath)) {
  for (int busy = 0;;) {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
      error_ = errno;
      return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      error_ = errno == EWOULDBLOCK ? 0 : errno;
      ::close(fd);
      // ImportIsWriting holds the lock shared for a moment: only a lock still
      // held after a short while is another import's.
      if (error_ != 0 || ++busy == kBusyTries) return;
      ::usleep(kBusyPauseMicroseconds);
      continue;
    }
    if (StillAt(fd, path_)) {
      fd_ = fd;
      return;
    }
    ::close(fd);  // its holder removed it after we opened it: lock the new one
  }
}

MapLock::~MapLock() {
  if (fd_ < 0) return;
  ::unlink(path_.c_str());
  ::close(fd_);
}

bool ImportIsWriting(const std::string& mifPath) {
  const std::string path = MapLockPath(mifPath);
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
      const bool held = errno == EWOULDBLOCK;
      ::close(fd);
      return held;
    }
    const bool current = StillAt(fd, path);
    ::close(fd);
    if (current) return false;
  }
}
