#include "import/map_files.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <limits>
#include <mutex>
#include <string_view>
#include <thread>

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

// Appends text, valid UTF-8 without control characters, to out as a MIF
// string of at most room bytes, quotes included: each quote is doubled, and
// the text is cut before the first character (or doubled quote) that would
// not fit.
void AppendQuoted(std::string_view text, size_t room, std::string& out) {
  out += '"';
  size_t used = 2;  // the quotes
  for (size_t i = 0; i < text.size();) {
    const bool quote = text[i] == '"';
    const size_t length = quote ? 1 : CharacterLength(static_cast<unsigned char>(text[i]));
    const size_t width = quote ? 2 : length;
    if (used + width > room) break;
    if (quote)
      out += "\"\"";
    else
      out.append(text.data() + i, std::min(length, text.size() - i));
    used += width;
    i += length;
  }
  out += '"';
}

// Text written to a file a piece at a time, so that no file of a large map
// is held whole in memory.
class FileText {
 public:
  FileText(int fd, const std::string& name) : fd_(fd), name_(name) {}

  FileText& operator<<(std::string_view text) {
    buffer_ += text;
    if (buffer_.size() >= kFlushBytes) Flush();
    return *this;
  }
  FileText& operator<<(int64_t n) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    return *this << std::string_view(digits, static_cast<size_t>(end - digits));
  }

  // Writes what is held; raises ImportError when that fails.
  void Flush() {
    size_t written = 0;
    while (written < buffer_.size()) {
      const ssize_t n = ::write(fd_, buffer_.data() + written, buffer_.size() - written);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw ImportError("cannot write " + name_ + ": " + std::strerror(errno));
      written += static_cast<size_t>(n);
    }
    buffer_.clear();
  }

 private:
  static constexpr size_t kFlushBytes = 1 << 20;
  int fd_;
  const std::string& name_;
  std::string buffer_;
};

std::string Header(const std::string& coordSys, const std::string& columns) {
  return std::string("Version 300\nCharset \"Neutral\"\nDelimiter \",\"\nCoordSys ") + coordSys + "\n" +
         columns + "Data\n\n";
}

// Writes a row of a .mid file: the numbers, then the quoted text, then the
// rest, within a line. line is room to make it in.
void WriteRow(std::string_view numbers, std::string_view text, std::string_view rest, std::string& line,
              FileText& out) {
  line.assign(numbers);
  AppendQuoted(text, kLongestLine - numbers.size() - rest.size(), line);
  line += rest;
  line += '\n';
  out << line;
}

// The numbers, each followed by a comma, in the buffer's text.
std::string_view Numbers(std::initializer_list<int64_t> numbers, char (&buffer)[96]) {
  char* at = buffer;
  for (const int64_t n : numbers) {
    at = std::to_chars(at, buffer + sizeof buffer - 1, n).ptr;
    *at++ = ',';
  }
  return std::string_view(buffer, static_cast<size_t>(at - buffer));
}

void WritePoint(MapPosition at, FileText& out) { out << "Point " << at.x << " " << at.y << "\n"; }

void PointGeometry(const RoadNetwork& network, const std::string& coordSys, FileText& out) {
  out << Header(coordSys, "Columns 2\n  Code Integer\n  Names Char(254)\n");
  for (const MapPosition& at : network.junctions) WritePoint(at, out);
}

// For each junction, the names of the segments that meet it (a segment's
// `from` before its `to`, the segments in order): the segments' name
// indices, junction c's from first[c - 1] up to first[c].
struct JunctionNames {
  std::vector<size_t> first;
  std::vector<int32_t> names;
};

JunctionNames NamesAtJunctions(const RoadNetwork& network) {
  JunctionNames at;
  at.first.assign(network.junctions.size() + 1, 0);
  for (const RoadSegment& s : network.segments) {
    ++at.first[static_cast<size_t>(s.from)];
    ++at.first[static_cast<size_t>(s.to)];
  }
  for (size_t c = 1; c < at.first.size(); ++c) at.first[c] += at.first[c - 1];
  at.names.resize(at.first.back());
  std::vector<size_t> next(at.first.begin(), at.first.end() - 1);
  for (const RoadSegment& s : network.segments) {
    at.names[next[static_cast<size_t>(s.from) - 1]++] = s.name;
    at.names[next[static_cast<size_t>(s.to) - 1]++] = s.name;
  }
  return at;
}

// Each junction's row: its code and the distinct names of its roads, in
// order, joined by " / ".
void PointAttributes(const RoadNetwork& network, FileText& out) {
  const JunctionNames at = NamesAtJunctions(network);
  std::vector<std::string_view> distinct;
  std::string joined, line;
  char buffer[96];
  for (size_t c = 1; c <= network.junctions.size(); ++c) {
    distinct.clear();
    joined.clear();
    for (size_t i = at.first[c - 1]; i < at.first[c]; ++i) {
      const std::string_view name = network.names[at.names[i]];
      if (name.empty() || std::find(distinct.begin(), distinct.end(), name) != distinct.end()) continue;
      if (!distinct.empty()) joined += " / ";
      joined += name;
      distinct.push_back(name);
    }
    WriteRow(Numbers({static_cast<int64_t>(c)}, buffer), joined, "", line, out);
  }
}

void SegmentGeometry(const RoadNetwork& network, const std::string& coordSys, TravelColumns columns,
                     FileText& out) {
  const std::string declared = std::string("  From Integer\n  To Integer\n  Length Integer\n") +
                               (columns.oneway ? "  Oneway Integer\n" : "") +
                               (columns.duration ? "  Duration Integer\n" : "") + "  Name Char(254)\n" +
                               (columns.roadClass ? "  Class Char(10)\n" : "");
  const int count = 4 + columns.oneway + columns.duration + columns.roadClass;
  out << Header(coordSys, "Columns " + std::to_string(count) + "\n" + declared);
  for (size_t s = 0; s < network.segments.size(); ++s) {
    const MapPosition *v = network.VerticesBegin(s), *end = network.VerticesEnd(s);
    out << "Pline " << static_cast<int64_t>(end - v) << "\n";
    for (; v != end; ++v) out << v->x << " " << v->y << "\n";
  }
}

void SegmentAttributes(const RoadNetwork& network, TravelColumns columns, FileText& out) {
  std::string line, rest;
  char buffer[96];
  for (const RoadSegment& s : network.segments) {
    std::string_view numbers = Numbers({s.from, s.to, s.length}, buffer);
    if (columns.oneway && columns.duration)
      numbers = Numbers({s.from, s.to, s.length, s.oneway, s.duration}, buffer);
    else if (columns.oneway || columns.duration)
      numbers = Numbers({s.from, s.to, s.length, columns.oneway ? s.oneway : s.duration}, buffer);
    rest.clear();
    if (columns.roadClass) (rest += ',') += ClassWord(s.roadClass);
    WriteRow(numbers, network.names[s.name], rest, line, out);
  }
}

void RestrictionGeometry(const RoadNetwork& network, const std::vector<RestrictionRow>& rows,
                         const std::string& coordSys, FileText& out) {
  out << Header(coordSys,
                "Columns 6\n  Rule Char(32)\n  Kind Char(4)\n  From Integer\n  To Integer\n  Via Integer\n"
                "  Ways Char(254)\n");
  for (const RestrictionRow& row : rows) WritePoint(network.junctions[static_cast<size_t>(row.via) - 1], out);
}

void RestrictionAttributes(const std::vector<RestrictionRow>& rows, FileText& out) {
  for (const RestrictionRow& row : rows) out << RestrictionLine(row) << "\n";
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

// Whether anything, a dangling link too, has the name path.
bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// A file of a map to write: which of its paths, and what writes its text.
struct FilePart {
  size_t k;
  std::function<void(FileText&)> write;
};

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

  // Writes new temporary files beside the targets, paths[part.k] for each
  // part, their texts made by part.write, two at a time, each with its
  // target's permissions when it exists. The functions must be safe to run
  // at once.
  void Write(const std::vector<FilePart>& parts) {
    std::vector<int> fds;
    const auto closeAll = [&fds]() {
      for (const int fd : fds) ::close(fd);
    };
    for (const FilePart& part : parts) {
      std::string name = prefix_ + "part-XXXXXX";
      const int fd = CreatePending(name);
      if (fd < 0) {
        const int error = errno;
        closeAll();
        throw ImportError("cannot write beside " + paths_[part.k] + ": " + std::strerror(error));
      }
      fds.push_back(fd);
      temporary_[part.k] = name;
    }
    try {
      FillTwoAtATime(parts, fds);
    } catch (const ImportError&) {
      closeAll();
      throw;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
      struct stat earlier {};
      if (::stat(paths_[parts[i].k].c_str(), &earlier) == 0) {
        ::fchmod(fds[i], earlier.st_mode & 07777);
      } else {
        const mode_t mask = ::umask(0);  // read back, then restored: files as any program makes them
        ::umask(mask);
        ::fchmod(fds[i], 0666 & ~mask);
      }
    }
    for (size_t i = 0; i < parts.size(); ++i) {
      if (::close(fds[i]) == 0) continue;
      const int error = errno;
      for (size_t j = i + 1; j < parts.size(); ++j) ::close(fds[j]);
      throw ImportError("cannot write " + temporary_[parts[i].k] + ": " + std::strerror(error));
    }
  }

  // Puts every temporary file in its target's place, and removes each
  // target not written, with the signals held: each earlier target is first
  // set aside, and when a rename fails, every target already replaced or
  // removed gets its earlier file back (or none, as before). Returns whether
  // a target not written was removed.
  bool Commit() {
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
        else if (i < placed && !temporary_[i].empty())
          ::unlink(paths[i].c_str());
      }
      throw;
    }
    bool removed = false;
    for (size_t i = 0; i < paths.size(); ++i) {
      if (aside[i].empty()) continue;
      ::unlink(aside[i].c_str());
      removed = removed || temporary_[i].empty();
    }
    ForgetPendingFiles(mark_, false);
    return removed;
  }

 private:
  // Fills the files, the parts' texts into fds, on this thread and one
  // more; raises the first ImportError either met.
  void FillTwoAtATime(const std::vector<FilePart>& parts, const std::vector<int>& fds) const {
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto fill = [&]() {
      for (size_t i; (i = next++) < parts.size();) {
        try {
          FileText text(fds[i], temporary_[parts[i].k]);
          parts[i].write(text);
          text.Flush();
        } catch (const ImportError&) {
          const std::lock_guard<std::mutex> hold(failureLock);
          if (!failure) failure = std::current_exception();
        }
      }
    };
    std::thread other(fill);
    fill();
    other.join();
    if (failure) std::rethrow_exception(failure);
  }

  // Sets an earlier target aside (its new name in aside), then renames
  // temporary, unless empty, to target.
  void Place(const std::string& temporary, const std::string& target, std::string& aside) {
    if (Exists(target)) {
      std::string name = prefix_ + "old-XXXXXX";
      const int fd = CreatePending(name);
      if (fd < 0 || ::close(fd) != 0 || rename_(target.c_str(), name.c_str()) != 0)
        throw ImportError("cannot set " + target + " aside: " + std::strerror(errno));
      aside = name;
    }
    if (!temporary.empty() && rename_(temporary.c_str(), target.c_str()) != 0)
      throw ImportError("cannot replace " + target + ": " + std::strerror(errno));
  }

  const MapFilePaths& paths_;
  const std::string prefix_;
  const RenameFile& rename_;
  const size_t mark_;  // the files an ending signal removed before this write
  const EndingSignalCleanup cleanup_;
  std::array<std::string, kMapFileCount> temporary_;  // empty: not written
};

}  // namespace

const char* ClassWord(RoadClass roadClass) {
  static constexpr const char* kWords[kRoadClassCount] = {"motorway", "trunk", "primary", "secondary",
                                                          "tertiary", "minor", "service", "path"};
  return kWords[static_cast<int>(roadClass)];
}

void CheckMapCapacity(const RoadNetwork& network, const MapLimits& limits) {
  const int64_t junctions = static_cast<int64_t>(network.junctions.size());
  const int64_t segments = static_cast<int64_t>(network.segments.size());
  int64_t entries = 0, longest = 0, slowest = 0;
  const int64_t vertices = static_cast<int64_t>(network.vertices.size());
  for (const RoadSegment& s : network.segments) {
    entries += s.from == s.to ? 1 : 2;
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

bool WriteMapFiles(const RoadNetwork& network, const std::vector<RestrictionRow>& restrictions,
                   const std::string& coordSys, TravelColumns columns, const MapFilePaths& paths,
                   const RenameFile& rename) {
  MapWrite files(paths, rename);
  // The largest first, so that the two threads finish together.
  std::vector<FilePart> parts = {
      {2, [&](FileText& out) { SegmentGeometry(network, coordSys, columns, out); }},
      {3, [&](FileText& out) { SegmentAttributes(network, columns, out); }},
      {1, [&](FileText& out) { PointAttributes(network, out); }},
      {0, [&](FileText& out) { PointGeometry(network, coordSys, out); }}};
  if (!restrictions.empty()) {
    parts.push_back({4, [&](FileText& out) { RestrictionGeometry(network, restrictions, coordSys, out); }});
    parts.push_back({5, [&](FileText& out) { RestrictionAttributes(restrictions, out); }});
  }
  files.Write(parts);
  return files.Commit();
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
