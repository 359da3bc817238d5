#pragma once

// The lock an import holds on the map it writes, so that no second import
// writes the same map at once and no reader opens its files half replaced.
// It is an advisory lock (flock) on a lock file beside the map's M layer
// .mif, `.Mname.mif.lock`, which exists only while the lock is held.

#include <string>

// The lock file of the map whose M layer is mifPath: `.Mname.mif.lock`
// beside it, or, when that name would pass the longest file name,
// `.ruvel-KEY.lock` with the map's ShortMapKey.
std::string MapLockPath(const std::string& mifPath);

// Sixteen hexadecimal digits that name the map whose M layer is mifPath,
// the same for the same path, for files beside the map whose names must
// stay short however long the map's name is.
std::string ShortMapKey(const std::string& mifPath);

// The exclusive lock on a map, held while the object lives. Taking it
// never waits: when another holds it, Held() is false. Releasing it removes
// the lock file while the lock is still held, so that the folder keeps
// nothing of it; a locker checks after locking that the file it locked is
// still the one at the lock's path (else it tries again), so that a removed
// file never lets two holders in.
class MapLock {
 public:
  // Tries to take the lock of the map whose M layer is mifPath, creating
  // its lock file; the folder must exist. Error() is the errno of a lock
  // file that cannot be made or locked, else 0.
  explicit MapLock(const std::string& mifPath);
  ~MapLock();
  MapLock(const MapLock&) = delete;
  MapLock& operator=(const MapLock&) = delete;

  bool Held() const { return fd_ >= 0; }
  int Error() const { return error_; }

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
};

// Whether an import holds the lock of the map whose M layer is mifPath.
// Answers at once, without waiting and without creating anything.
bool ImportIsWriting(const std::string& mifPath);
