// The layer loader as it was before it was made fast: the file read whole
// and cut into fgets's pieces, every line a string, every token a string
// from NextToken, every number through StrToInt. The loader must give
// exactly what this gives, failures included.
#include "tests/reference_loader.h"

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "toolkit/exceptions.h"
#include "toolkit/paths.h"
#include "toolkit/text.h"
#include "toolkit/text_file.h"

std::string NextToken(const std::string& line, int32_t& position, char delimiter) {
  const int32_t length = static_cast<int32_t>(line.size());
  if (position > length) return std::string();
  const int32_t start = position;
  while (position <= length && line[position - 1] != delimiter) ++position;
  ++position;
  return line.substr(start - 1, position - 1 - start);
}

namespace {

// The text of the regular file at path as text mode reads it: every CR LF
// pair becomes a line feed. False when path names no regular file.
bool ReadTextMode(const std::string& path, std::string& text) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t i = 0; i < raw.size(); ++i)
    if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) text += raw[i];
  return true;
}

// Calls handle with every line of the file at path that has at least
// minLength characters as read (line feed counted), without its line feed:
// fgets into a 256-byte buffer, strlen, the line feed removed. An exception
// raised meanwhile gets the file's name and the line's number in front of
// its message.
template <typename Handle>
void ReadLayerFile(const std::string& path, NameMatch match, size_t minLength, Handle handle) {
  const std::string name = match == NameMatch::IgnoreCase ? ResolveNameIgnoringCase(path) : path;
  std::string text;
  if (!ReadTextMode(name, text)) return;
  int lineNumber = 1;
  size_t at = 0;
  try {
    while (at < text.size()) {
      char buffer[256];
      size_t count = 0;
      while (count < 255 && at < text.size()) {
        buffer[count++] = text[at++];
        if (buffer[count - 1] == '\n') break;
      }
      buffer[count] = '\0';
      const bool lineEnds = buffer[count - 1] == '\n';
      const size_t length = std::strlen(buffer);
      if (length >= minLength) {
        std::string line(buffer, length);
        if (line.back() == '\n') line.pop_back();
        handle(line);
      }
      if (lineEnds) ++lineNumber;
    }
  } catch (Exception& e) {
    e.PrefixMessage(ExtractFileName(name) + ", line " + std::to_string(lineNumber) + ": ");
    throw;
  }
}

// Appends the records a file added to its table in one SetLength, so that a
// load stays linear in the size of the files.
template <typename T>
void Append(DynamicArray<T>& table, int32_t& count, const std::vector<T>& added) {
  if (added.empty()) return;
  const int32_t old = count;
  table.SetLength(old + static_cast<int32_t>(added.size()));
  for (size_t k = 0; k < added.size(); ++k) table[old + static_cast<int32_t>(k)] = added[k];
  count = table.Length();
}

// Runs read, which collects new records in a list, and appends them to the
// table also when read raises, so what was read stays stored.
template <typename T, typename Read>
void ReadAppending(DynamicArray<T>& table, int32_t& count, Read read) {
  std::vector<T> added;
  try {
    read(added);
  } catch (...) {
    Append(table, count, added);
    throw;
  }
  Append(table, count, added);
}

// "Point X Y" lines, from the first column, add a point each.
void ReadPointGeometry(const std::string& path) {
  ReadAppending(points, pointCount, [&](std::vector<TFieldM>& added) {
    ReadLayerFile(path, NameMatch::Exact, 5, [&](const std::string& line) {
      int32_t position = 1;
      if (NextToken(line, position, ' ') != "Point") return;
      if (pointCount + static_cast<int64_t>(added.size()) >= MAP_ITEM_LIMIT)
        throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " points");
      added.emplace_back();
      added.back().X = StrToInt(NextToken(line, position, ' '));
      added.back().Y = StrToInt(NextToken(line, position, ' '));
    });
  });
}

// Row r gives point r its code and, after the first comma, its text.
void ReadPointAttributes(const std::string& path) {
  int32_t row = 0;
  ReadLayerFile(path, NameMatch::IgnoreCase, 5, [&](const std::string& line) {
    int32_t position = 1;
    const int32_t code = StrToInt(NextToken(line, position, ','));
    points[row].Code = code;
    points[row].Text = NextToken(line, position, '\n');
    ++row;
  });
}

// The vertex count n of a Pline line, when the file's earlier Pline lines
// declared `declared` vertices in all. A negative count cannot describe a
// polyline, and a count that would bring the file beyond its vertex bound is
// refused before anything is allocated for it.
void CheckVertexCount(int32_t n, int64_t declared, int64_t bound) {
  if (n < 0) throw EConvertError("Pline vertex count " + std::to_string(n) + " is negative");
  if (declared + n > bound) {
    throw Exception("Map too large: Pline " + std::to_string(n) + " would make " +
                    std::to_string(declared + n) + " vertices in all, at most " + std::to_string(bound));
  }
}

// The size in bytes of the file at path, found ignoring letter case; 0 when
// there is none.
int64_t FileSizeIgnoringCase(const std::string& path) {
  struct stat info;
  return ::stat(ResolveNameIgnoringCase(path).c_str(), &info) == 0 ? info.st_size : 0;
}

// "Pline N" starts a segment of N vertices; the following lines that do not
// begin with a blank fill its vertices ("x y"), surplus ones are ignored.
void ReadSegmentGeometry(const std::string& path) {
  ReadAppending(segments, segmentCount, [&](std::vector<TFieldS>& added) {
    // The last segment: the newest added one, else the last one stored.
    const auto lastSegment = [&]() -> TFieldS& {
      return added.empty() ? segments[segmentCount - 1] : added.back();
    };
    int32_t vertex = 0;
    int64_t declared = 0;
    const int64_t vertexBound = VertexBound(FileSizeIgnoringCase(path));
    ReadLayerFile(path, NameMatch::IgnoreCase, 4, [&](const std::string& line) {
      int32_t position = 1;
      const std::string token = NextToken(line, position, ' ');
      if (token == "Pline") {
        if (segmentCount + static_cast<int64_t>(added.size()) >= MAP_ITEM_LIMIT)
          throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " segments");
        added.emplace_back();
        const int32_t count = StrToInt(NextToken(line, position, ' '));
        CheckVertexCount(count, declared, vertexBound);
        declared += count;
        added.back().Vertices.SetLength(count);
        vertex = 0;
      } else if (!token.empty() && (segmentCount > 0 || !added.empty()) &&
                 vertex < lastSegment().Vertices.Length()) {
        DynamicArray<TPoint>& vertices = lastSegment().Vertices;
        const int32_t x = StrToInt(token);
        vertices[vertex].x = x;
        const int32_t y = StrToInt(NextToken(line, position, ' '));
        vertices[vertex].y = y;
        ++vertex;
      }
    });
  });
}

// Row r gives segment r its end codes and length: "from,to,length". A
// negative length is refused: every road can be driven both ways, so it
// would make a cycle of negative length that no route search can end on.
void ReadSegmentAttributes(const std::string& path) {
  int32_t row = 0;
  ReadLayerFile(path, NameMatch::IgnoreCase, 5, [&](const std::string& line) {
    int32_t position = 1;
    const int32_t from = StrToInt(NextToken(line, position, ','));
    segments[row].From = from;
    const int32_t to = StrToInt(NextToken(line, position, ','));
    segments[row].To = to;
    const int32_t length = StrToInt(NextToken(line, position, ','));
    if (length < 0) throw EConvertError("road length " + std::to_string(length) + " is negative");
    segments[row].Length = length;
    ++row;
  });
}

}  // namespace

void ReferenceLoadMapLayers(std::string fileName) {
  ReadPointGeometry(fileName);

  fileName = StripFileExt(fileName) + ".mid";
  ReadPointAttributes(fileName);

  std::string name = ExtractFileName(fileName);
  name[0] = 'S';
  fileName = ExtractFilePath(fileName) + name;
  fileName = StripFileExt(fileName) + ".mif";
  ReadSegmentGeometry(fileName);

  fileName = StripFileExt(fileName) + ".mid";
  ReadSegmentAttributes(fileName);

  BuildRoadGraph();
}
