// The lock an import holds on its map, between processes.
#include "map/map_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/test_files.h"

namespace {

bool Exists(const std::string& path) {
  return std::filesystem::exists(std::filesystem::symlink_status(path));
}

// A child process that holds the map's lock until Release.
class LockingChild {
 public:
  explicit LockingChild(const std::string& mif) {
    int ready[2], release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0)
      throw std::runtime_error("no pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(release[1]);  // so that the parent's closing it ends the read below
      char byte = 0;
      {
        const MapLock lock(mif);
        byte = lock.Held() ? 'y' : 'n';
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(release[0], &byte, 1);
      }
      ::_exit(0);
    }
    char byte = 0;
    held_ = ::read(ready[0], &byte, 1) == 1 && byte == 'y';
    ::close(ready[0]);
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
  }
  ~LockingChild() { Release(); }
  LockingChild(const LockingChild&) = delete;
  LockingChild& operator=(const LockingChild&) = delete;

  bool Held() const { return held_; }

  // Lets the child release the lock, and waits for it to end.
  void Release() {
    if (pid_ <= 0) return;
    ::close(release_);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

}  // namespace

// While another process holds a map's lock, a second locker and a second
// import are refused at once and ImportIsWriting says so; once released,
// nothing of the lock is left and the map can be locked again. Asking
// creates nothing.
TEST(MapLock, HeldByOneProcessAtATime) {
  TempDir dir;
  const std::string mif = dir / "Mroads.mif";
  EXPECT_FALSE(ImportIsWriting(mif));
  EXPECT_FALSE(Exists(MapLockPath(mif)));
  EXPECT_EQ(MapLockPath(mif), dir / ".Mroads.mif.lock");
  WriteFile(dir / "roads.csv", "WKT,name\n\"LINESTRING (0 0,10 0)\",A\n");
  LockingChild child(mif);
  ASSERT_TRUE(child.Held());
  EXPECT_TRUE(ImportIsWriting(mif));
  EXPECT_FALSE(MapLock(mif).Held());
  const CommandResult refused =
      RunCommand("'" + kRuvelRoute + "' import '" + (dir / "roads.csv") + "' '" + mif + "'");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, "ruvel-route: another import is writing " + mif + "\n");
  EXPECT_FALSE(Exists(mif));
  child.Release();
  EXPECT_FALSE(ImportIsWriting(mif));
  EXPECT_FALSE(Exists(MapLockPath(mif)));
  EXPECT_TRUE(MapLock(mif).Held());
  EXPECT_FALSE(Exists(MapLockPath(mif)));
}

// Two processes lock, check that they are alone and release, over and
// over: removing the lock file on release never lets both in at once.
TEST(MapLock, RemovalNeverLetsTwoIn) {
  TempDir dir;
  const std::string mif = dir / "Mroads.mif", inside = dir / "inside";
  const auto contend = [&] {
    int overlaps = 0;
    for (int i = 0; i < 400; ++i) {
      const MapLock lock(mif);
      if (!lock.Held()) continue;
      const int fd = ::open(inside.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0600);
      if (fd < 0) {
        ++overlaps;
        continue;
      }
      ::close(fd);
      ::unlink(inside.c_str());
    }
    return overlaps;
  };
  pid_t children[2];
  for (pid_t& child : children) {
    child = ::fork();
    if (child == 0) ::_exit(contend() == 0 ? 0 : 1);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "two holders at once";
  }
  EXPECT_FALSE(Exists(MapLockPath(mif)));
}

// A name so long that the lock file's own would pass the longest file name
// gets a short lock file of its own.
TEST(MapLock, LongNamesGetShortLockFiles) {
  const std::string name = "M" + std::string(246, 'x') + ".mif";
  const std::string lock = MapLockPath("/some/folder/" + name);
  EXPECT_EQ(lock.rfind("/some/folder/.ruvel-", 0), 0u) << lock;
  EXPECT_LT(lock.size() - 13, 40u);
  EXPECT_NE(lock, MapLockPath("/some/folder/" + name.substr(0, 240) + "y.mif"));
}

// Two imports of different sources into one map at the same moment: each
// ends whole or is refused at once, and the folder holds one of the two
// maps, never a mix.
TEST(MapLock, TwoImportsAtOnceLeaveOneWholeMap) {
  TempDir dir, reference;
  const char* const sources[] = {"a", "b"};
  for (const char* source : sources) {
    std::string csv = "WKT,name\n";
    for (int i = 0; i < 20000; ++i)
      csv += "\"LINESTRING (" + std::to_string(i * 10) + " 0," + std::to_string(i * 10) + " 5)\"," + source +
             std::to_string(i) + "\n";
    WriteFile(dir / (std::string(source) + ".csv"), csv);
    const std::string map = reference / ("M" + std::string(source) + ".mif");
    ASSERT_EQ(RunCommand("'" + kRuvelRoute + "' import --quiet '" + (dir / source) + ".csv' '" + map + "'")
                  .exitCode,
              0);
  }
  const auto mapText = [](const std::string& folder, const std::string& name) {
    return ReadWhole(folder + "/M" + name + ".mid") + ReadWhole(folder + "/S" + name + ".mif") +
           ReadWhole(folder + "/S" + name + ".mid");
  };
  const std::string import = "'" + kRuvelRoute + "' import --quiet '" + dir.Path() + "/";
  for (int trial = 0; trial < 4; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const CommandResult both = RunCommand("cd '" + dir.Path() + "' && { (" + import +
                                          "a.csv' Mroads.mif 2>a.err; echo $? >a.rc) & (" + import +
                                          "b.csv' Mroads.mif 2>b.err; echo $? >b.rc) & wait; }");
    int succeeded = 0;
    for (const char* source : sources) {
      const std::string rc = ReadWhole(dir / source + std::string(".rc"));
      succeeded += rc == "0\n";
      if (rc != "0\n") {
        EXPECT_EQ(ReadWhole(dir / source + std::string(".err")),
                  "ruvel-route: another import is writing Mroads.mif\n");
      }
    }
    EXPECT_GE(succeeded, 1);
    const std::string now = mapText(dir.Path(), "roads");
    EXPECT_TRUE(now == mapText(reference.Path(), "a") || now == mapText(reference.Path(), "b"));
    EXPECT_FALSE(Exists(dir / ".Mroads.mif.lock"));
  }
}
