#include "map/layer_loader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "map/area_index.h"
#include "map/map_files.h"
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

// The tokens of a line, as NextToken gives them, on a view of the line: no
// token is copied.
class Tokens {
 public:
  explicit Tokens(std::string_view line) : line_(line) {}

  // The text up to the next delimiter or the end of the line; past the end,
  // empty.
  std::string_view Next(char delimiter) {
    if (next_ >= line_.size()) return {};
    const size_t start = next_;
    // Tokens are short: a plain loop beats a call to memchr.
    while (next_ < line_.size() && line_[next_] != delimiter) ++next_;
    return line_.substr(start, next_++ - start);
  }

  // The rest of the line, as the next token up to a line feed (which a line
  // never holds) gives it.
  std::string_view Rest() { return Next('\n'); }

 private:
  std::string_view line_;
  size_t next_ = 0;  // the 0-based position NextToken's position stands for
};

// Calls handle with every line of the file that has at least minLength
// characters as read, its line feed counted, without its line feed: in
// pieces of at most 255 characters, a longer line arriving as several, each
// cut at a zero byte as a C string would be. The lines are views into the
// file's buffer.
template <typename Handle>
void ReadLines(TextFile& file, size_t minLength, Handle handle) {
  TextFile::Piece piece;
  while (file.NextPiece(piece)) {
    if (piece.stringLength >= minLength)
      handle(std::string_view(piece.text, std::min(piece.length, piece.stringLength)));
  }
}

// Runs work on the file; an exception it raises leaves with the file's name
// and the number of the line reached in front of its message, and memory
// running out as EOutOfMemory, likewise placed.
template <typename Work>
void AtFileLine(const TextFile& file, Work work) {
  const auto where = [&file] {
    return ExtractFileName(file.Path()) + ", line " + std::to_string(file.LineNumber()) + ": ";
  };
  try {
    work();
  } catch (Exception& e) {
    e.PrefixMessage(where());
    throw;
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(where() + "Out of memory for the map");
  }
}

// Reserves room in list for the most objects the file can describe, a line
// of at least minLength bytes each, so that reading it adds without copying.
// Only a hint: when that much memory cannot be had, the list grows as it is
// filled instead.
template <typename T>
void ReserveForFile(std::vector<T>& list, const TextFile& file, size_t minLength) {
  try {
    list.reserve(static_cast<size_t>(file.Size()) / minLength + 1);
  } catch (const std::bad_alloc&) {
  }
}

// Appends the records a file added to its table in one SetLength, so that a
// load stays linear in the size of the files; the records are moved in.
template <typename T>
void Append(DynamicArray<T>& table, int32_t& count, std::vector<T>& added) {
  if (added.empty()) return;
  const int32_t old = count;
  table.SetLength(old + static_cast<int32_t>(added.size()));
  for (size_t k = 0; k < added.size(); ++k) table[old + static_cast<int32_t>(k)] = std::move(added[k]);
  count = table.Length();
}

// Runs read, which collects new records of the file in a list, and appends
// them to the table also when read raises, so what was read stays stored.
// Failures are placed in the file (see AtFileLine).
template <typename T, typename Read>
void ReadAppending(const TextFile& file, DynamicArray<T>& table, int32_t& count, Read read) {
  std::vector<T> added;
  AtFileLine(file, [&] {
    try {
      read(added);
    } catch (...) {
      Append(table, count, added);
      throw;
    }
    Append(table, count, added);
  });
}

// Whether a and b are the same word, ignoring the letter case of ASCII.
bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// "Point X Y" lines, from the first column, add a point each; a CoordSys
// line of the header says the map is in metres.
void ReadPointGeometry(const std::string& path) {
  TextFile file;
  if (!file.Open(path, NameMatch::Exact)) return;
  ReadAppending(file, points, pointCount, [&](std::vector<TFieldM>& added) {
    ReserveForFile(added, file, 5);
    ReadLines(file, 5, [&](std::string_view line) {
      Tokens tokens(line);
      const std::string_view token = tokens.Next(' ');
      if (SameWord(token, "CoordSys")) mapHasCoordSys = true;
      if (token != "Point") return;
      if (pointCount + static_cast<int64_t>(added.size()) >= MAP_ITEM_LIMIT)
        throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " points");
      TFieldM& point = added.emplace_back();
      point.X = StrToInt(tokens.Next(' '));
      point.Y = StrToInt(tokens.Next(' '));
    });
  });
}

// Row r gives point r its code and, after the first comma, its text.
void ReadPointAttributes(const std::string& path) {
  TextFile file;
  if (!file.Open(path, NameMatch::IgnoreCase)) return;
  int32_t row = 0;
  AtFileLine(file, [&] {
    ReadLines(file, 5, [&](std::string_view line) {
      Tokens tokens(line);
      const int32_t code = StrToInt(tokens.Next(','));
      TFieldM& point = points[row];
      point.Code = code;
      point.Text = tokens.Rest();
      ++row;
    });
  });
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

// Where the .mid rows of the S layer hold the optional columns, by field
// number from 0; -1 for a column the header does not declare.
struct SegmentColumns {
  int32_t oneway = -1, duration = -1, name = -1;

  bool Any() const { return oneway >= 0 || duration >= 0 || name >= 0; }
  int32_t Last() const { return std::max({oneway, duration, name}); }
};

// The header of the S layer's .mif file: a line "Columns N" and the N lines
// after it, each a column's name and type, the first three being From, To
// and Length whatever their names. Records where Oneway, Duration and Name
// stand among the later ones. Lines it does not take are left to the
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
    Tokens tokens(line);
    tokens.Next(' ');
    const std::string_view count = tokens.Next(' ');
    left_ = 0;
    for (const char c : count) left_ = c >= '0' && c <= '9' && left_ < 100000 ? left_ * 10 + (c - '0') : -1;
    if (count.empty() || left_ < 0) left_ = 0;
    return true;
  }

  const SegmentColumns& Columns() const { return columns_; }

 private:
  void DeclareColumn(std::string_view line) {
    const size_t start = line.find_first_not_of(' ');
    const std::string_view name = start == std::string_view::npos ? "" : Tokens(line.substr(start)).Next(' ');
    if (next_ >= 3) {
      if (SameWord(name, "Oneway")) columns_.oneway = next_;
      if (SameWord(name, "Duration")) columns_.duration = next_;
      if (SameWord(name, "Name")) columns_.name = next_;
    }
    ++next_;
    --left_;
  }

  int32_t left_ = 0;  // column lines still to come
  int32_t next_ = 0;  // the number of the next column
  SegmentColumns columns_;
};

// "Pline N" starts a segment of N vertices; the following lines that do not
// begin with a blank fill its vertices ("x y"), surplus ones are ignored.
// Before the first Pline, the Columns block says where the optional columns
// stand in the .mid rows; returns that.
SegmentColumns ReadSegmentGeometry(const std::string& path) {
  TextFile file;
  if (!file.Open(path, NameMatch::IgnoreCase)) return {};
  ColumnsHeader header;
  bool inHeader = true;
  ReadAppending(file, segments, segmentCount, [&](std::vector<TFieldS>& added) {
    ReserveForFile(added, file, 4);
    const int64_t vertexBound = VertexBound(file.Size());
    // The vertices being filled: the newest segment's, once there is one
    // (the last one stored before this file, else the last one added).
    DynamicArray<TPoint>* vertices = segmentCount > 0 ? &segments[segmentCount - 1].Vertices : nullptr;
    int32_t vertex = 0;
    int64_t declared = 0;
    ReadLines(file, 4, [&](std::string_view line) {
      Tokens tokens(line);
      const std::string_view token = tokens.Next(' ');
      if (inHeader && token != "Pline" && header.Take(line, token)) return;
      if (token == "Pline") {
        inHeader = false;
        if (segmentCount + static_cast<int64_t>(added.size()) >= MAP_ITEM_LIMIT)
          throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " segments");
        vertices = &added.emplace_back().Vertices;
        const int32_t count = StrToInt(tokens.Next(' '));
        CheckVertexCount(count, declared, vertexBound);
        declared += count;
        vertices->SetLength(count);
        vertex = 0;
      } else if (!token.empty() && vertices && vertex < vertices->Length()) {
        // The vertex exists (its index was just tested), so taking it before
        // the numbers are converted changes nothing: x is stored only when
        // it converted, and stays stored when y does not.
        TPoint& point = (*vertices)[vertex];
        point.x = StrToInt(token);
        point.y = StrToInt(tokens.Next(' '));
        ++vertex;
      }
    });
  });
  return header.Columns();
}

// The fields of a .mid row with text columns: separated by commas; a field
// that begins with a double quote runs to its closing quote, with "" for a
// quote inside, and may hold commas. Past the end of the row, empty.
class RowFields {
 public:
  explicit RowFields(std::string_view line) : line_(line) {}

  // A view into the row, or, for a field with doubled quotes or text after
  // its closing quote, into the field's unquoted copy, valid until the next
  // call.
  std::string_view Next(char) {
    if (next_ > line_.size()) return {};
    const size_t start = next_;
    if (start < line_.size() && line_[start] == '"') {
      const size_t close = Find('"', start + 1);
      if (close == line_.size() || (close + 1 < line_.size() && line_[close + 1] != ',')) return Unquoted();
      next_ = close + 2;
      return line_.substr(start + 1, close - start - 1);
    }
    const size_t comma = Find(',', start);
    next_ = comma + 1;
    return line_.substr(start, comma - start);
  }

 private:
  // The field at next_, which begins with a quote, character by character.
  std::string_view Unquoted() {
    unquoted_.clear();
    bool quoted = true;
    for (++next_; next_ < line_.size(); ++next_) {
      const char c = line_[next_];
      if (quoted && c == '"') {
        quoted = next_ + 1 < line_.size() && line_[next_ + 1] == '"';
        if (quoted) unquoted_ += '"', ++next_;
        continue;
      }
      if (!quoted && c == ',') break;
      unquoted_ += c;
    }
    ++next_;
    return unquoted_;
  }

  // The position of c from `from` on, or the row's length. Fields are
  // short: a plain loop beats a call to memchr.
  size_t Find(char c, size_t from) const {
    while (from < line_.size() && line_[from] != c) ++from;
    return from;
  }

  std::string_view line_;
  size_t next_ = 0;
  std::string unquoted_;
};

// A one-way value: -1, 0 or 1.
int8_t OnewayValue(std::string_view field) {
  const int32_t value = StrToInt(field);
  if (value < -1 || value > 1)
    throw EConvertError("one-way value " + std::to_string(value) + " is not -1, 0 or 1");
  return static_cast<int8_t>(value);
}

// A number that must not be negative, as a road's length or duration.
int32_t NonNegative(std::string_view field, const char* what) {
  const int32_t value = StrToInt(field);
  if (value < 0) throw EConvertError(std::string(what) + " " + std::to_string(value) + " is negative");
  return value;
}

// The first three fields of row r, numbers without quotes, give segment r
// its end codes and length: "from,to,length". A negative length is refused: a road that can be driven
// both ways would make a cycle of negative length that no route search can
// end on.
void ReadSegmentEnds(Tokens& fields, int32_t row) {
  const int32_t from = StrToInt(fields.Next(','));
  TFieldS& segment = segments[row];
  segment.From = from;
  const int32_t to = StrToInt(fields.Next(','));
  segment.To = to;
  segment.Length = NonNegative(fields.Next(','), "road length");
}

// The optional columns of row r, from the fields after the third.
void ReadSegmentColumns(RowFields& fields, const SegmentColumns& columns, int32_t row) {
  for (int32_t column = 3; column <= columns.Last(); ++column) {
    const std::string_view field = fields.Next(',');
    if (column == columns.oneway) segmentOneway[row] = OnewayValue(field);
    if (column == columns.duration) segmentDuration[row] = NonNegative(field, "duration");
    if (column == columns.name) segmentName.Set(row, field);
  }
}

// Row r gives segment r its end codes and length, and its optional columns
// where the header declares them; without them anything after a third
// comma is ignored.
void ReadSegmentAttributes(const std::string& path, const SegmentColumns& columns) {
  TextFile file;
  if (!file.Open(path, NameMatch::IgnoreCase)) return;
  const auto rows = [](int32_t column) { return column >= 0 ? static_cast<size_t>(segmentCount) : 0; };
  segmentOneway.assign(rows(columns.oneway), 0);
  segmentDuration.assign(rows(columns.duration), 0);
  segmentName.Assign(rows(columns.name));
  int32_t row = 0;
  AtFileLine(file, [&] {
    ReadLines(file, 5, [&](std::string_view line) {
      Tokens tokens(line);
      ReadSegmentEnds(tokens, row);
      if (columns.Any()) {
        RowFields fields(tokens.Rest());
        ReadSegmentColumns(fields, columns, row);
      }
      ++row;
    });
  });
}

}  // namespace

int64_t VertexBound(int64_t segmentFileSize) {
  return std::min<int64_t>(std::max<int64_t>(VERTEX_FLOOR, segmentFileSize / 4), 2147483647);
}

void LoadMapLayers(std::string fileName, LoadProgress* progress) {
  DropMapAreaIndex();  // the tables it indexes are about to change
  ++graphGeneration;   // and so, even if the load fails, is what a kept search knows
  const LayerFiles files = LayerFileNames(std::move(fileName));
  ReadPointGeometry(files.pointGeometry);
  ReadPointAttributes(files.pointAttributes);
  const SegmentColumns columns = ReadSegmentGeometry(files.segmentGeometry);
  ReadSegmentAttributes(files.segmentAttributes, columns);
  if (progress) progress->phase = LoadProgress::kBuildingGraph;
  BuildRoadGraph();
}
