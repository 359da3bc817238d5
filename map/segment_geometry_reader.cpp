#include "map/segment_geometry_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "map/array_chunks.h"
#include "map/bounds.h"
#include "map/dynamic_array.h"
#include "map/first_line_feed.h"
#include "map/layer_loader.h"
#include "map/line_tokens.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "toolkit/exceptions.h"

namespace {

// The fewest bytes of its file that a common segment takes, for the room
// made for a file's segments: "Pline 2", "x y" and "x y", each with its
// line feed.
constexpr int64_t kSegmentBytes = 16;

// The length with its line feed of the vertex line at text[0] in its
// plainest form, "x y": one blank between numbers of at most nine digits,
// then the line feed (or CR LF); point set to x and y, as NextInt(' ')
// twice sets them. 0 for any other line, which is left to be read the usual
// way. text holds more than a piece. Forced inline into the loop of
// TakeVertexLines, which runs it line after line.
[[gnu::always_inline]] inline size_t TakeVertexLine(std::string_view text, TPoint& point) {
  constexpr size_t kLongestPlainLine = 23;  // "-x -y", nine digits each, and CR LF
  if (text.size() < kLongestPlainLine + 16) return 0;
  const size_t lineFeed = FirstLineFeed<16>(text.data());
  size_t at = 0;
  int32_t x = 0, y = 0;
  if (!TakeNumber(text, at, x) || text[at++] != ' ' || !TakeNumber(text, at, y)) return 0;
  at += text[at] == '\r';
  if (lineFeed < 16 && at == lineFeed) [[likely]] {
    point = {x, y};
    return lineFeed + 1;
  }
  // Else plain only when the line is longer than 16 bytes and ends right
  // after the numbers.
  if (lineFeed < 16 || text[at] != '\n') return 0;
  point = {x, y};
  return at + 1;
}

// Reads the vertex lines at the front of the file into vertices from
// vertex on, as far as they are plain and wanted, moving past them and
// vertex with them; their length with their line feeds, 0 for none. They
// are taken in one run rather than one call each, as they are most of a
// map.
size_t TakeVertexLines(TextFile& file, DynamicArray<TPoint>& vertices, int32_t& vertex) {
  const std::string_view ahead = file.Ahead();
  TPoint* const wanted = &vertices[vertex];
  const int32_t count = vertices.Length() - vertex;
  size_t taken = 0;
  int32_t lines = 0;
  while (lines < count && ahead.size() - taken > TextFile::kPieceLength) {
    const size_t length = TakeVertexLine(ahead.substr(taken), wanted[lines]);
    if (length == 0) break;
    taken += length;
    ++lines;
  }
  if (lines > 0) file.SkipLines(taken, lines);
  vertex += lines;
  return taken;
}

// The length with its line feed of the line at the front of ahead (as
// Ahead gives it) when it begins with a blank, as "    Pen (1,2,0)" does, and
// ends within 16 bytes; else 0. Its first token is empty.
size_t BlankLedLineLength(std::string_view ahead) {
  if (ahead.empty() || ahead[0] != ' ') return 0;
  const size_t lineFeed = FirstLineFeed<16>(ahead.data());
  return lineFeed < 16 ? lineFeed + 1 : 0;
}

// The length with its line feed of the line at the front of ahead (as
// Ahead gives it) when it is "Pline N" in its plainest form, N being a
// number of at most nine digits, read into count as NextInt(' ') reads it;
// else 0.
size_t PlineLineLength(std::string_view ahead, int32_t& count) {
  constexpr std::string_view kPline = "Pline ";
  if (ahead.substr(0, kPline.size()) != kPline) return 0;
  size_t at = kPline.size();
  if (!TakeNumber(ahead, at, count)) return 0;
  at += ahead[at] == '\r';
  return ahead[at] == '\n' ? at + 1 : 0;
}

// The vertex count n of a Pline line, when the file's earlier Pline lines
// declared `declared` vertices in all. A negative count cannot describe a
// polyline, and a count that would bring the file beyond bound is refused
// before anything is allocated for it.
void CheckVertexCount(int32_t n, int64_t declared, int64_t bound) {
  if (n < 0) throw EConvertError("Pline vertex count " + std::to_string(n) + " is negative");
  if (declared + n > bound) {
    throw Exception("Map too large: Pline " + std::to_string(n) + " would make " +
                    std::to_string(declared + n) + " vertices in all, at most " + std::to_string(bound));
  }
}

// The header of the S layer's .mif file: a line "Columns N" and the N lines
// after it, each a column's name and type, the first three being From, To
// and Length whatever their names. Records where Oneway, Duration, Name and
// Class stand among the later ones. Lines it does not take are left to the
// geometry.
class ColumnsHeader {
 public:
  // Whether the line belongs to the header, which ends at the first Pline.
  bool Take(std::string_view line, std::string_view firstToken) {
    if (left_ > 0) {
      DeclareColumn(line);
      return true;
    }
    if (!SameWord(firstToken, "Columns")) return false;
    LineTokens tokens(line);
    tokens.Next(' ');
    left_ = DeclaredCount(tokens.Next(' '));
    return true;
  }

  const SegmentColumns& Columns() const { return columns_; }

 private:
  // The number of columns "Columns N" declares: N, when it is digits only
  // and below 1,000,000; else none.
  static int32_t DeclaredCount(std::string_view count) {
    int32_t n = 0;
    for (const char c : count) {
      if (c < '0' || c > '9' || n >= 100000) return 0;
      n = n * 10 + (c - '0');
    }
    return n;
  }

  void DeclareColumn(std::string_view line) {
    const size_t start = line.find_first_not_of(' ');
    const std::string_view name =
        start == std::string_view::npos ? "" : LineTokens(line.substr(start)).Next(' ');
    if (next_ >= 3) {
      if (SameWord(name, "Oneway")) columns_.oneway = next_;
      if (SameWord(name, "Duration")) columns_.duration = next_;
      if (SameWord(name, "Name")) columns_.name = next_;
      if (SameWord(name, "Class")) columns_.roadClass = next_;
    }
    ++next_;
    --left_;
  }

  int32_t left_ = 0;  // column lines still to come
  int32_t next_ = 0;  // the number of the next column
  SegmentColumns columns_;
};

// Whether the line's first token may be a number: it then is neither a
// keyword nor empty.
bool StartsNumber(std::string_view line) {
  return !line.empty() && ((line[0] >= '0' && line[0] <= '9') || line[0] == '-');
}

// "x y": the vertex exists (its index was tested), so taking it before the
// numbers are converted changes nothing: x is stored only when it
// converted, and stays stored when y does not.
void ReadVertex(std::string_view line, TPoint& point) {
  LineTokens tokens(line);
  point.x = tokens.NextInt(' ');
  point.y = tokens.NextInt(' ');
}

}  // namespace

void ReadSegmentGeometry(TextFile& file, ReadControl& control, SegmentLayer& layer,
                         ColumnsHandOver& handOver) {
  ColumnsHeader header;
  bool inHeader = true;
  layer.added.ReserveFor(file.Size(), kSegmentBytes);
  const int64_t vertexBound = VertexBound(file.Size());
  // The vertices being filled: the newest segment's, once there is one
  // (the last one stored before this file, else the last one added).
  DynamicArray<TPoint>* vertices =
      layer.added.Stored() > 0 ? &segments[layer.added.Stored() - 1].Vertices : nullptr;
  int32_t vertex = 0;
  int64_t declared = 0;
  ArrayChunks vertexChunks;
  // The layer's vertex bounds, widened by each segment's vertices once they
  // are all read (those no line fills are (0, 0)), while they are cached.
  const auto widenByVertices = [&] {
    const int32_t count = vertices ? vertices->Length() : 0;
    const TPoint* const point = count > 0 ? &(*vertices)[0] : nullptr;
    for (int32_t k = 0; k < count; ++k) Widen(layer.vertexBounds, point[k].x, point[k].y);
  };
  // Starts a segment of the number of vertices countOf() reads.
  const auto startSegment = [&](auto countOf) {
    if (layer.Count() >= MAP_ITEM_LIMIT)
      throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " segments");
    widenByVertices();
    vertices = &layer.added.Add().Vertices;
    const int32_t count = countOf();
    CheckVertexCount(count, declared, vertexBound);
    declared += count;
    vertices->SetLength(count, vertexChunks);
    vertex = 0;
  };
  // Past the header, the lines of a segment in their plainest form, most of
  // the file, in one call: its Pline line, the Pen line and its vertex
  // lines, each when it is next.
  const auto takeLines = [&](TextFile& source) -> size_t {
    if (inHeader) return 0;
    size_t taken = 0;
    int32_t count = 0;
    if (const size_t length = PlineLineLength(source.Ahead(), count)) {
      source.SkipLines(length, 1);
      startSegment([count] { return count; });
      taken += length;
    }
    if (const size_t length = BlankLedLineLength(source.Ahead())) {
      source.SkipLines(length, 1);
      taken += length;
    }
    if (vertices && vertex < vertices->Length()) taken += TakeVertexLines(source, *vertices, vertex);
    return taken;
  };
  AtFileLine(file, [&] {
    ReadLines(file, 4, control, takeLines, [&](std::string_view line) {
      if (!inHeader && StartsNumber(line)) {
        if (vertices && vertex < vertices->Length()) ReadVertex(line, (*vertices)[vertex++]);
        return;
      }
      LineTokens tokens(line);
      const std::string_view token = tokens.Next(' ');
      if (inHeader && token != "Pline" && header.Take(line, token)) return;
      if (token == "Pline") {
        if (inHeader) handOver.Give(&header.Columns());
        inHeader = false;
        startSegment([&] { return tokens.NextInt(' '); });
      } else if (!token.empty() && vertices && vertex < vertices->Length()) {
        ReadVertex(line, (*vertices)[vertex++]);
      }
    });
  });
  widenByVertices();
  layer.columns = header.Columns();
  handOver.Give(&layer.columns);
}
