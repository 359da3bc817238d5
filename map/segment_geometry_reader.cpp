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
#include "map/mif_columns.h"
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
  if (__builtin_expect(lineFeed < 16 && at == lineFeed, 1)) {
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

// The header of the S layer's .mif file: its Columns block, the first
// three columns being From, To and Length whatever their names. Records
// where Oneway, Duration, Name and Class stand among the later ones. Lines
// it does not take are left to the geometry.
class ColumnsHeader {
 public:
  // Whether the line belongs to the header, which ends at the first Pline.
  bool Take(std::string_view line, std::string_view firstToken) {
    return block_.Take(line, firstToken, [this](int32_t column, std::string_view name) {
      if (column < 3) return;
      if (SameWord(name, "Oneway")) columns_.oneway = column;
      if (SameWord(name, "Duration")) columns_.duration = column;
      if (SameWord(name, "Name")) columns_.name = column;
      if (SameWord(name, "Class")) columns_.roadClass = column;
    });
  }

  const SegmentColumns& Columns() const { return columns_; }

 private:
  ColumnsBlock block_;
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

// One S layer .mif file's reading into layer: the header until the first
// Pline, then segment after segment.
class SegmentGeometryReading {
 public:
  SegmentGeometryReading(const TextFile& file, SegmentLayer& layer, ColumnsHandOver& handOver)
      : layer_(layer),
        handOver_(handOver),
        vertexBound_(VertexBound(file.Size())),
        vertices_(layer.added.Stored() > 0 ? &segments[layer.added.Stored() - 1].Vertices : nullptr) {
    layer_.added.ReserveFor(file.Size(), kSegmentBytes);
  }

  // Past the header, the lines of a segment in their plainest form, most of
  // the file, in one call: its Pline line, the Pen line and its vertex
  // lines, each when it is next. Their length with their line feeds; 0
  // leaves the next line to Handle.
  size_t TakePlainLines(TextFile& source) {
    if (inHeader_) return 0;
    size_t taken = 0;
    int32_t count = 0;
    if (const size_t length = PlineLineLength(source.Ahead(), count)) {
      source.SkipLines(length, 1);
      StartSegment([count] { return count; });
      taken += length;
    }
    if (const size_t length = BlankLedLineLength(source.Ahead())) {
      source.SkipLines(length, 1);
      taken += length;
    }
    if (VertexWanted()) taken += TakeVertexLines(source, *vertices_, vertex_);
    return taken;
  }

  // Any other line: of the header, a Pline line, a vertex line or one to
  // ignore.
  void Handle(std::string_view line) {
    if (!inHeader_ && StartsNumber(line)) {
      if (VertexWanted()) ReadVertex(line, (*vertices_)[vertex_++]);
      return;
    }
    LineTokens tokens(line);
    const std::string_view token = tokens.Next(' ');
    if (inHeader_ && token != "Pline" && header_.Take(line, token)) return;
    if (token == "Pline") {
      if (inHeader_) handOver_.Give(&header_.Columns());
      inHeader_ = false;
      StartSegment([&] { return tokens.NextInt(' '); });
    } else if (!token.empty() && VertexWanted()) {
      ReadVertex(line, (*vertices_)[vertex_++]);
    }
  }

  // After the file's last line: the last segment's vertices in the bounds,
  // the columns to the layer and handed over.
  void Finish() {
    WidenByVertices();
    layer_.columns = header_.Columns();
    handOver_.Give(&layer_.columns);
  }

 private:
  // Whether the newest segment has a vertex left to fill.
  bool VertexWanted() const { return vertices_ && vertex_ < vertices_->Length(); }

  // Adds a segment of the number of vertices countOf() reads, after the
  // segment is added, so that a bad count leaves it without vertices.
  template <typename CountOf>
  void StartSegment(CountOf countOf) {
    if (layer_.Count() >= MAP_ITEM_LIMIT)
      throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " segments");
    WidenByVertices();
    vertices_ = &layer_.added.Add().Vertices;
    const int32_t count = countOf();
    CheckVertexCount(count, declared_, vertexBound_);
    declared_ += count;
    vertices_->SetLength(count, vertexChunks_);
    vertex_ = 0;
  }

  // The layer's vertex bounds, widened by the newest segment's vertices once
  // they are all read (those no line fills are (0, 0)), while they are
  // cached.
  void WidenByVertices() {
    const int32_t count = vertices_ ? vertices_->Length() : 0;
    const TPoint* const point = count > 0 ? &(*vertices_)[0] : nullptr;
    for (int32_t k = 0; k < count; ++k) Widen(layer_.vertexBounds, point[k].x, point[k].y);
  }

  SegmentLayer& layer_;
  ColumnsHandOver& handOver_;
  const int64_t vertexBound_;
  ColumnsHeader header_;
  bool inHeader_ = true;
  // The vertices being filled: the newest segment's, once there is one
  // (the last one stored before this file, else the last one added).
  DynamicArray<TPoint>* vertices_;
  int32_t vertex_ = 0;        // the next of them to fill
  int64_t declared_ = 0;      // vertices the file's Pline lines declared so far
  ArrayChunks vertexChunks_;  // the vertices' blocks, which outlive it
};

}  // namespace

void ReadSegmentGeometry(TextFile& file, ReadControl& control, SegmentLayer& layer,
                         ColumnsHandOver& handOver) {
  SegmentGeometryReading reading(file, layer, handOver);
  AtFileLine(file, [&] {
    ReadLines(
        file, 4, control, [&](TextFile& source) { return reading.TakePlainLines(source); },
        [&](std::string_view line) { reading.Handle(line); });
  });
  reading.Finish();
}
