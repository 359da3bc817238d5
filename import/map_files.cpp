#include "import/map_files.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

#include "import/ending_signals.h"
#include "import/import_error.h"
#include "map/map_lock.h"

namespace {

// The longest line the loader reads as one, before its line feed.
constexpr size_t kLongestLine = 254;

std::string Count(int64_t n, int64_t limit, const char* what) {
  return std::to_string(n) + " " + what + " (at most " + std::to_string(limit) + ")";
}

// The byte length of the UTF-8 character that starts with lead.
size_t CharacterLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// text, valid UTF-8 without control characters, as a MIF string of at most
// room bytes, quotes included: each quote is doubled, and the text is cut
// before the first character (or doubled quote) that would not fit.
std::string QuotedField(const std::string& text, size_t room) {
  std::string quoted = "\"";
  for (size_t i = 0; i < text.size();) {
    const size_t length = text[i] == '"' ? 1 : CharacterLength(static_cast<unsigned char>(text[i]));
    const std::string piece = text[i] == '"' ? std::string("\"\"") : text.substr(i, length);
    if (quoted.size() + piece.size() + 1 > room) break;
    quoted += piece;
    i += length;
  }
  return quoted + "\"";
}

std::string Joined(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : " / ") + name;
  return joined;
}

std::string Header(const std::string& coordSys, const std::string& columns) {
  return std::string("Version 300\nCharset \"Neutral\"\nDelimiter \",\"\nCoordSys ") + coordSys + "\n" +
         columns + "Data\n\n";
}

// A row of a .mid file: the numbers, then the quoted text, within a line.
std::string Row(const std::string& numbers, const std::string& text) {
  return numbers + QuotedField(text, kLongestLine - numbers.size()) + "\n";
}

std::string PointGeometry(const RoadNetwork& network, const std::string& coordSys) {
  std::string text = Header(coordSys, "Columns 2\n  Code Integer\n  Names Char(254)\n");
  for (const Junction& j : network.junctions)
    text += "Point " + std::to_string(j.at.x) + " " + std::to_string(j.at.y) + "\n";
  return text;
}

std::string PointAttributes(const RoadNetwork& network) {
  std::string text;
  for (size_t c = 1; c <= network.junctions.size(); ++c)
    text += Row(std::to_string(c) + ",", Joined(network.junctions[c - 1].roadNames));
  return text;
}

std::string SegmentGeometry(const RoadNetwork& network, const std::string& coordSys, TravelColumns columns) {
  const std::string declared = std::string("  From Integer\n  To Integer\n  Length Integer\n") +
                               (columns.oneway ? "  Oneway Integer\n" : "") +
                               (columns.duration ? "  Duration Integer\n" : "") + "  Name Char(254)\n";
  const int count = 4 + columns.oneway + columns.duration;
  std::string text = Header(coordSys, "Columns " + std::to_string(count) + "\n" + declared);
  for (const RoadSegment& s : network.segments) {
    text += "Pline " + std::to_string(s.vertices.size()) + "\n";
    for (const MapPosition& v : s.vertices) text += std::to_string(v.x) + " " + std::to_string(v.y) + "\n";
  }
  return text;
}

std::string SegmentAttributes(const RoadNetwork& network, TravelColumns columns) {
  std::string text;
  for (const RoadSegment& s : network.segments) {
    std::string numbers =
        std::to_string(s.from) + "," + std::to_string(s.to) + "," + std::to_string(s.length) + ",";
    if (columns.oneway) numbers += std::to_string(s.oneway) + ",";
    if (columns.duration) numbers += std::to_string(s.duration) + ",";
    text += Row(numbers, s.name);
  }
  return text;
}

// The start of the names of the temporary files of the map whose files
// are paths, beside them: short, whatever the map's name, and its own.
std::string TemporaryPrefix(const MapFilePaths& paths) {
  return std::filesystem::path(paths[0]).parent_path().string() +
         (std::filesystem::path(paths[0]).has_parent_path() ? "/" : "") + ".ruvel-" + ShortMapKey(paths[0]) +
         ".";
}

// Creates a new empty file named after pattern (ending in XXXXXX) and
// enters it among the files an ending signal removes; returns its
// descriptor.
int CreatePending(std::string& pattern) {
  const HeldSignals held;
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return fd;
  RemoveOnEndingSignal(pattern);
  return fd;
}

// Writes all of content to fd; false on failure, with errno set.
bool WriteAll(int fd, const std::string& content) {
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

// Whether anything, a dangling link too, has the name path.
bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// The four files of a map written under temporary names beside their
// targets, then put in their place all together or not at all. While it
// lives, SIGINT, SIGTERM and SIGHUP (those not ignored) first remove its
// temporary files.
class MapWrite {
 public:
  MapWrite(const MapFilePaths& paths, const RenameFile& rename)
      : paths_(paths), prefix_(TemporaryPrefix(paths)), rename_(rename), mark_(PendingFileCount()) {}
  ~MapWrite() { ForgetPendingFiles(mark_, true); }
  MapWrite(const MapWrite&) = delete;
  MapWrite& operator=(const MapWrite&) = delete;

  // Writes content to a new temporary file beside the target paths[k],
  // with the target's permissions when it exists.
  void Write(size_t k, const std::string& content) {
    const std::string& path = paths_[k];
    std::string name = prefix_ + "part-XXXXXX";
    const int fd = CreatePending(name);
    if (fd < 0) throw ImportError("cannot write beside " + path + ": " + std::strerror(errno));
    if (!WriteAll(fd, content)) {
      const int error = errno;
      ::close(fd);
      throw ImportError("cannot write " + name + ": " + std::strerror(error));
    }
    struct stat earlier {};
    if (::stat(path.c_str(), &earlier) == 0) {
      ::fchmod(fd, earlier.st_mode & 07777);
    } else {
      const mode_t mask = ::umask(0);  // read back, then restored: files as any program makes them
      ::umask(mask);
      ::fchmod(fd, 0666 & ~mask);
    }
    if (::close(fd) != 0) throw ImportError("cannot write " + name + ": " + std::strerror(errno));
    temporary_.push_back(name);
  }

  // Puts every temporary file in its target's place, with the signals held:
  // each earlier target is first set aside, and when a rename fails, every
  // target already replaced gets its earlier file back (or none, as before).
  void Commit() {
    const MapFilePaths& paths = paths_;
    const HeldSignals held;
    for (const std::string& path : paths) {
      struct stat info {};
      if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw ImportError("cannot replace " + path + ": it is a folder");
    }
    std::vector<std::string> aside(paths.size());
    size_t placed = 0;
    try {
      for (; placed < paths.size(); ++placed) Place(temporary_[placed], paths[placed], aside[placed]);
    } catch (const ImportError&) {
      for (size_t i = placed + 1; i-- > 0;) {
        if (!aside[i].empty())
          rename_(aside[i].c_str(), paths[i].c_str());
        else if (i < placed)
          ::unlink(paths[i].c_str());
      }
      throw;
    }
    for (const std::string& name : aside)
      if (!name.empty()) ::unlink(name.c_str());
    ForgetPendingFiles(mark_, false);
  }

 private:
  // Sets an earlier target aside (its new name in aside), then renames
  // temporary to target.
  void Place(const std::string& temporary, const std::string& target, std::string& aside) {
    if (Exists(target)) {
      std::string name = prefix_ + "old-XXXXXX";
      const int fd = CreatePending(name);
      if (fd < 0 || ::close(fd) != 0 || rename_(target.c_str(), name.c_str()) != 0)
        throw ImportError("cannot set " + target + " aside: " + std::strerror(errno));
      aside = name;
    }
    if (rename_(temporary.c_str(), target.c_str()) != 0)
      throw ImportError("cannot replace " + target + ": " + std::strerror(errno));
  }

  const MapFilePaths& paths_;
  const std::string prefix_;
  const RenameFile& rename_;
  const size_t mark_;  // the files an ending signal removed before this write
  const EndingSignalCleanup cleanup_;
  std::vector<std::string> temporary_;
};

}  // namespace

void CheckMapCapacity(const RoadNetwork& network, const MapLimits& limits) {
  const int64_t junctions = static_cast<int64_t>(network.junctions.size());
  const int64_t segments = static_cast<int64_t>(network.segments.size());
  int64_t entries = 0, vertices = 0, longest = 0, slowest = 0;
  for (const RoadSegment& s : network.segments) {
    entries += s.from == s.to ? 1 : 2;
    vertices += static_cast<int64_t>(s.vertices.size());
    longest = std::max(longest, s.length);
    slowest = std::max(slowest, s.duration);
  }
  std::string beyond;
  const auto check = [&beyond](int64_t n, int64_t limit, const char* what) {
    if (n > limit) beyond += (beyond.empty() ? "" : ", ") + Count(n, limit, what);
  };
  check(junctions, limits.junctions, "junctions");
  check(segments, limits.segments, "segments");
  check(entries, limits.entries, "adjacency entries");
  check(vertices, limits.vertices, "vertices");
  check(longest, std::numeric_limits<int32_t>::max(), "metres in one road");
  if (!beyond.empty()) {
    throw ImportError("the network does not fit a Ruvel map: " + beyond +
                      "; choose a part of it with --bbox or --where. Nothing was written");
  }
  if (slowest > std::numeric_limits<int32_t>::max()) {
    throw ImportError("the network does not fit a Ruvel map: a road takes " + std::to_string(slowest) +
                      " tenths of a second to drive (at most " +
                      std::to_string(std::numeric_limits<int32_t>::max()) +
                      "); give higher speeds. Nothing was written");
  }
}

void WriteMapFiles(const RoadNetwork& network, const std::string& coordSys, TravelColumns columns,
                   const MapFilePaths& paths, const RenameFile& rename) {
  MapWrite files(paths, rename);
  files.Write(0, PointGeometry(network, coordSys));
  files.Write(1, PointAttributes(network));
  files.Write(2, SegmentGeometry(network, coordSys, columns));
  files.Write(3, SegmentAttributes(network, columns));
  files.Commit();
}

void RemoveLeftoverTemporaries(const MapFilePaths& paths) {
  const std::string prefix = TemporaryPrefix(paths);
  const std::filesystem::path folder = std::filesystem::path(prefix).parent_path();
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
    const std::string name = (folder / entry.path().filename()).string();
    const bool ours = name.rfind(prefix + "part-", 0) == 0 || name.rfind(prefix + "old-", 0) == 0;
    if (ours && entry.is_regular_file(error)) ::unlink(name.c_str());
  }
}

CreatedFolders::CreatedFolders(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  for (; !folder.empty() && !std::filesystem::exists(folder); folder = folder.parent_path())
    created_.push_back(folder.string());
  const std::string wanted = std::filesystem::path(path).parent_path().string();
  std::error_code error;
  if (!wanted.empty()) std::filesystem::create_directories(wanted, error);
  if (error) {
    RemoveCreated();
    throw ImportError("cannot create the folder " + wanted + ": " + error.message());
  }
}

CreatedFolders::~CreatedFolders() { RemoveCreated(); }

void CreatedFolders::RemoveCreated() {
  for (const std::string& folder : created_) ::rmdir(folder.c_str());  // the deepest first
  created_.clear();
}
