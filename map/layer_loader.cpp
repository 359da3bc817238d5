#include "map/layer_loader.h"

#include <cstring>
#include <vector>

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

std::string StripFileExt(const std::string& path) {
  return path.substr(0, path.size() - ExtractFileExt(path).size());
}

namespace {

// Calls handle with every line of the file at path that has at least
// minLength characters as read (line feed counted), without its line feed.
// Lines are read in pieces of at most 255 characters; a longer line arrives
// as several. A file that cannot be opened is skipped; the file is closed
// however the reading ends. An exception raised while the file is read
// leaves with the file's name and the line's number in front of its message.
template <typename Handle>
void ReadLayerFile(const std::string& path, NameMatch match, size_t minLength, Handle handle) {
  TextFile file;
  if (!file.Open(path, match)) return;
  char buffer[256];
  try {
    while (!file.AtEnd()) {
      buffer[0] = '\0';
      file.ReadLine(buffer, sizeof buffer);
      const size_t length = std::strlen(buffer);
      if (length < minLength) continue;
      std::string line(buffer, length);
      if (line.back() == '\n') line.pop_back();
      handle(line);
    }
  } catch (Exception& e) {
    e.PrefixMessage(ExtractFileName(file.Path()) + ", line " + std::to_string(file.LineNumber()) + ": ");
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
      if (pointCount + static_cast<int64_t>(added.size()) >= POINT_CAPACITY)
        throw Exception("Map too large: more than " + std::to_string(POINT_CAPACITY) + " points");
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

// The vertex count n of a Pline line, when the map's earlier Pline lines
// declared `declared` vertices in all. A negative count cannot describe a
// polyline, and a count that would bring the map beyond VERTEX_CAPACITY is
// refused before anything is allocated for it.
void CheckVertexCount(int32_t n, int64_t declared) {
  if (n < 0) throw EConvertError("Pline vertex count " + std::to_string(n) + " is negative");
  if (declared + n > VERTEX_CAPACITY) {
    throw Exception("Map too large: Pline " + std::to_string(n) + " would make " +
                    std::to_string(declared + n) + " vertices in all, at most " +
                    std::to_string(VERTEX_CAPACITY));
  }
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
    ReadLayerFile(path, NameMatch::IgnoreCase, 4, [&](const std::string& line) {
      int32_t position = 1;
      const std::string token = NextToken(line, position, ' ');
      if (token == "Pline") {
        if (segmentCount + static_cast<int64_t>(added.size()) >= SEGMENT_CAPACITY)
          throw Exception("Map too large: more than " + std::to_string(SEGMENT_CAPACITY) + " segments");
        added.emplace_back();
        const int32_t count = StrToInt(NextToken(line, position, ' '));
        CheckVertexCount(count, declared);
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

void LoadMapLayers(std::string fileName) {
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
