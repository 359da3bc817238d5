#include "import/map_files.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

#include "import/import_error.h"
#include "map/layer_loader.h"

namespace {

// The longest line the loader reads as one, before its line feed.
constexpr size_t kLongestLine = 254;

std::string Count(int64_t n, int64_t limit, const char* what) {
  return std::to_string(n) + " " + what + " (at most " + std::to_string(limit) + ")";
}

// The byte length of the UTF-8 character that starts with lead; 1 for a byte
// that starts none, which is then kept as it is.
size_t CharacterLength(unsigned char lead) {
  if (lead >= 0xF8) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// text as a MIF string of at most room bytes, quotes included: line feeds,
// carriage returns and tabs become blanks, each quote is doubled, and the
// text is cut before the first character (or doubled quote) that would not
// fit.
std::string QuotedField(const std::string& text, size_t room) {
  std::string quoted = "\"";
  for (size_t i = 0; i < text.size();) {
    std::string piece;
    const char c = text[i];
    size_t length = 1;
    if (c == '"') {
      piece = "\"\"";
    } else if (c == '\n' || c == '\r' || c == '\t') {
      piece = " ";
    } else {
      length = std::min(CharacterLength(static_cast<unsigned char>(c)), text.size() - i);
      for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) length = k;  // a broken sequence
      }
      piece = text.substr(i, length);
    }
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

std::string Header(const std::string& coordSys, const char* columns) {
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

std::string SegmentGeometry(const RoadNetwork& network, const std::string& coordSys) {
  std::string text =
      Header(coordSys, "Columns 4\n  From Integer\n  To Integer\n  Length Integer\n  Name Char(254)\n");
  for (const RoadSegment& s : network.segments) {
    text += "Pline " + std::to_string(s.vertices.size()) + "\n";
    for (const MapPosition& v : s.vertices) text += std::to_string(v.x) + " " + std::to_string(v.y) + "\n";
  }
  return text;
}

std::string SegmentAttributes(const RoadNetwork& network) {
  std::string text;
  for (const RoadSegment& s : network.segments)
    text += Row(std::to_string(s.from) + "," + std::to_string(s.to) + "," + std::to_string(s.length) + ",",
                s.name);
  return text;
}

// Files written under temporary names, removed again unless kept.
class TemporaryFiles {
 public:
  ~TemporaryFiles() {
    for (const std::string& name : names_) ::unlink(name.c_str());
  }

  // Writes content to a new temporary file beside path and returns its name.
  std::string Write(const std::string& path, const std::string& content) {
    std::string name = path + ".part-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0) throw ImportError("cannot write beside " + path + ": " + std::strerror(errno));
    names_.push_back(name);
    size_t written = 0;
    while (written < content.size()) {
      const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        const int error = errno;
        ::close(fd);
        throw ImportError("cannot write " + name + ": " + std::strerror(error));
      }
      written += static_cast<size_t>(n);
    }
    const mode_t mask = ::umask(0);  // read back, then restored: files as any program makes them
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0) throw ImportError("cannot write " + name + ": " + std::strerror(errno));
    return name;
  }

  // Renames every temporary file to its target; they are then kept.
  void Commit(const MapFilePaths& paths) {
    for (size_t i = 0; i < names_.size(); ++i) {
      if (::rename(names_[i].c_str(), paths[i].c_str()) != 0)
        throw ImportError("cannot replace " + paths[i] + ": " + std::strerror(errno));
    }
    names_.clear();
  }

 private:
  std::vector<std::string> names_;
};

}  // namespace

void CheckMapCapacity(const RoadNetwork& network) {
  const int64_t junctions = static_cast<int64_t>(network.junctions.size());
  const int64_t segments = static_cast<int64_t>(network.segments.size());
  int64_t entries = 0, vertices = 0, longest = 0;
  for (const RoadSegment& s : network.segments) {
    entries += s.from == s.to ? 1 : 2;
    vertices += static_cast<int64_t>(s.vertices.size());
    longest = std::max(longest, s.length);
  }
  std::string beyond;
  const auto check = [&beyond](int64_t n, int64_t limit, const char* what) {
    if (n > limit) beyond += (beyond.empty() ? "" : ", ") + Count(n, limit, what);
  };
  check(junctions, GRAPH_CAPACITY - 1, "junctions");
  check(segments, GRAPH_CAPACITY, "segments");
  check(entries, GRAPH_CAPACITY, "adjacency entries");
  check(vertices, VERTEX_FLOOR, "vertices");
  check(longest, std::numeric_limits<int32_t>::max(), "metres in one road");
  if (!beyond.empty()) {
    throw ImportError("the network does not fit a Ruvel map: " + beyond +
                      "; choose a part of it with --bbox or --where. Nothing was written");
  }
}

void WriteMapFiles(const RoadNetwork& network, const std::string& coordSys, const MapFilePaths& paths) {
  for (const std::string& path : paths) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) throw ImportError("cannot create the folder " + folder.string() + ": " + error.message());
  }
  TemporaryFiles files;
  files.Write(paths[0], PointGeometry(network, coordSys));
  files.Write(paths[1], PointAttributes(network));
  files.Write(paths[2], SegmentGeometry(network, coordSys));
  files.Write(paths[3], SegmentAttributes(network));
  files.Commit(paths);
}
