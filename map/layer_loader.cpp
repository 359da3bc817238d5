#include "map/layer_loader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "map/area_index.h"
#include "map/load_cancelled.h"
#include "map/map_files.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "toolkit/exceptions.h"
#include "toolkit/paths.h"
#include "toolkit/text.h"
#include "toolkit/text_file.h"

namespace {

// The tokens of a line, on a view of the line: no token is copied unless it
// must be unquoted. Next(delimiter) gives the text up to the next delimiter
// or the end of the line (past the end, empty) and goes on after that
// delimiter; NextField gives the next comma-separated field of a .mid row,
// which may be quoted.
class LineTokens {
 public:
  explicit LineTokens(std::string_view line) : line_(line) {}

  std::string_view Next(char delimiter) {
    if (next_ >= line_.size()) return {};
    const size_t start = next_;
    next_ = Find(delimiter, start);
    return line_.substr(start, next_++ - start);
  }

  // The next token up to delimiter as a number, as StrToInt(Next(delimiter))
  // gives it, also for text that is not a number, which raises
  // EConvertError. The common token, an optional minus and one to nine
  // digits, cannot overflow: it is converted as it is scanned.
  int32_t NextInt(char delimiter) {
    size_t at = next_;
    const bool negative = at < line_.size() && line_[at] == '-';
    at += negative;
    const size_t first = at;
    const size_t last = std::min(line_.size(), first + 9);
    int32_t magnitude = 0;
    for (uint32_t digit; at < last && (digit = static_cast<unsigned char>(line_[at]) - uint32_t{'0'}) <= 9;
         ++at)
      magnitude = magnitude * 10 + static_cast<int32_t>(digit);
    if (at == first || (at < line_.size() && line_[at] != delimiter)) return StrToInt(Next(delimiter));
    next_ = at + 1;
    return negative ? -magnitude : magnitude;
  }

  // The rest of the line, as the next token up to a line feed (which a line
  // never holds) would give it, without looking for one.
  std::string_view Rest() {
    if (next_ >= line_.size()) return {};
    const size_t start = next_;
    next_ = line_.size() + 1;
    return line_.substr(start);
  }

  // The next field of a row with text columns: up to the next comma; a
  // field that begins with a double quote runs to its closing quote, with
  // "" for a quote inside, and may hold commas. A view into the row, or, for
  // a field with doubled quotes or text after its closing quote, into the
  // field's unquoted copy, valid until the next call.
  std::string_view NextField() {
    if (next_ >= line_.size() || line_[next_] != '"') return Next(',');
    const size_t start = next_;
    const size_t close = Find('"', start + 1);
    if (close == line_.size() || (close + 1 < line_.size() && line_[close + 1] != ',')) return Unquoted();
    next_ = close + 2;
    return line_.substr(start + 1, close - start - 1);
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

  // The position of c from `from` on, or the line's length. Tokens are
  // short: a plain loop beats a call to memchr.
  size_t Find(char c, size_t from) const {
    while (from < line_.size() && line_[from] != c) ++from;
    return from;
  }

  std::string_view line_;
  size_t next_ = 0;  // where the next token starts; past the end once one ran to it
  std::string unquoted_;
};

// What a reading thread reports and obeys: the load's progress (bytes read,
// cancel; none without a LoadProgress) and, for a layer read beside
// another, the request to give up because the other failed first.
class ReadControl {
 public:
  ReadControl(LoadProgress* progress, const std::atomic<bool>* abandon)
      : progress_(progress), abandon_(abandon) {}

  // Counts bytes read; about every megabyte, reports them and raises
  // ELoadCancelled when the load is cancelled or abandoned.
  void Advance(int64_t bytes) {
    unreported_ += bytes;
    if (unreported_ < kStep) return;
    Report();
    CheckCancel(progress_);
    if (abandon_ && abandon_->load(std::memory_order_relaxed)) throw ELoadCancelled();
  }

  // Reports what is left of a file read to its end, so that the files'
  // sizes add up to the total.
  void FinishFile(const TextFile& file) {
    Report();
    if (progress_) progress_->bytesRead += file.Size() - fileReported_;
    fileReported_ = 0;
  }

 private:
  static constexpr int64_t kStep = int64_t{1} << 20;

  void Report() {
    if (progress_) progress_->bytesRead += unreported_;
    fileReported_ += unreported_;
    unreported_ = 0;
  }

  LoadProgress* progress_;
  const std::atomic<bool>* abandon_;
  int64_t unreported_ = 0;
  int64_t fileReported_ = 0;  // of the file being read; at most its size, as CR LF counts one
};

// Calls handle with every line of the file that has at least minLength
// characters as read, its line feed counted, without its line feed: in
// pieces of at most 255 characters, a longer line arriving as several, each
// cut at a zero byte as a C string would be. The lines are views into the
// file's buffer.
template <typename Handle>
void ReadLines(TextFile& file, size_t minLength, ReadControl& control, Handle handle) {
  TextFile::Piece piece;
  while (file.NextPiece(piece)) {
    if (piece.stringLength >= minLength)
      handle(std::string_view(piece.text, std::min(piece.length, piece.stringLength)));
    control.Advance(static_cast<int64_t>(piece.length) + piece.lineFeed);
  }
  control.FinishFile(file);
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
  } catch (const ELoadCancelled&) {
    throw;
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

// Whether a and b are the same word, ignoring the letter case of ASCII.
bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// "Point X Y" lines, from the first column, add a point each to added; a
// CoordSys line of the header says the map is in metres.
void ReadPointLines(TextFile& file, ReadControl& control, std::vector<TFieldM>& added) {
  ReadLines(file, 5, control, [&](std::string_view line) {
    LineTokens tokens(line);
    const std::string_view token = tokens.Next(' ');
    if (SameWord(token, "CoordSys")) mapHasCoordSys = true;
    if (token != "Point") return;
    if (pointCount + static_cast<int64_t>(added.size()) >= MAP_ITEM_LIMIT)
      throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " points");
    TFieldM& point = added.emplace_back();
    point.X = tokens.NextInt(' ');
    point.Y = tokens.NextInt(' ');
  });
}

// The points of the M layer's .mif file, appended to the table also when
// reading fails, so that what was read stays stored.
void ReadPointGeometry(TextFile& file, ReadControl& control) {
  std::vector<TFieldM> added;
  ReserveForFile(added, file, 5);
  AtFileLine(file, [&] {
    try {
      ReadPointLines(file, control, added);
    } catch (...) {
      Append(points, pointCount, added);
      throw;
    }
    Append(points, pointCount, added);
  });
}

// Row r gives point r its code and, after the first comma, its text.
void ReadPointAttributes(TextFile& file, ReadControl& control) {
  int32_t row = 0;
  AtFileLine(file, [&] {
    ReadLines(file, 5, control, [&](std::string_view line) {
      LineTokens tokens(line);
      const int32_t code = tokens.NextInt(',');
      TFieldM& point = points[row];
      point.Code = code;
      point.Text = std::string(tokens.Rest());  // built in place, not copied into the empty string
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
  int32_t oneway = -1, duration = -1, name = -1, roadClass = -1;

  bool Any() const { return Last() >= 0; }
  int32_t Last() const { return std::max({oneway, duration, name, roadClass}); }
};

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

// The S layer as it is read: the segments its .mif file adds and, once its
// .mid file is opened, the optional columns of every segment. Read aside
// and put into the store afterwards, so that it can be read beside the M
// layer and dropped when that fails.
struct SegmentLayer {
  int32_t stored = 0;  // the segments stored before the load (none, unless the store was not cleared)
  std::vector<TFieldS> added;
  SegmentColumns columns;
  bool attributesOpened = false;
  std::vector<int8_t> oneway;
  std::vector<int32_t> duration;
  NameTable name;
  std::vector<RoadClass> roadClass;

  int32_t Count() const { return stored + static_cast<int32_t>(added.size()); }

  // Segment r, of those stored and those added: as segments[r] would be.
  TFieldS& Segment(int32_t r) {
    if (r < 0 || r >= Count()) throw DynArrayOutOfRange(r, Count());
    return r < stored ? segments[r] : added[static_cast<size_t>(r - stored)];
  }
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

// "Pline N" starts a segment of N vertices; the following lines that do not
// begin with a blank fill its vertices ("x y"), surplus ones are ignored.
// Before the first Pline, the Columns block says where the optional columns
// stand in the .mid rows.
void ReadSegmentGeometry(TextFile& file, ReadControl& control, SegmentLayer& layer) {
  ColumnsHeader header;
  bool inHeader = true;
  std::vector<TFieldS>& added = layer.added;
  ReserveForFile(added, file, 4);
  const int64_t vertexBound = VertexBound(file.Size());
  // The vertices being filled: the newest segment's, once there is one
  // (the last one stored before this file, else the last one added).
  DynamicArray<TPoint>* vertices = layer.stored > 0 ? &segments[layer.stored - 1].Vertices : nullptr;
  int32_t vertex = 0;
  int64_t declared = 0;
  AtFileLine(file, [&] {
    ReadLines(file, 4, control, [&](std::string_view line) {
      if (!inHeader && StartsNumber(line)) {  // a vertex line, most of the file
        if (vertices && vertex < vertices->Length()) ReadVertex(line, (*vertices)[vertex++]);
        return;
      }
      LineTokens tokens(line);
      const std::string_view token = tokens.Next(' ');
      if (inHeader && token != "Pline" && header.Take(line, token)) return;
      if (token == "Pline") {
        inHeader = false;
        if (layer.Count() >= MAP_ITEM_LIMIT)
          throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " segments");
        vertices = &added.emplace_back().Vertices;
        const int32_t count = tokens.NextInt(' ');
        CheckVertexCount(count, declared, vertexBound);
        declared += count;
        vertices->SetLength(count);
        vertex = 0;
      } else if (!token.empty() && vertices && vertex < vertices->Length()) {
        ReadVertex(line, (*vertices)[vertex++]);
      }
    });
  });
  layer.columns = header.Columns();
}

// A one-way value: -1, 0 or 1.
int8_t OnewayValue(std::string_view field) {
  const int32_t value = StrToInt(field);
  if (value < -1 || value > 1)
    throw EConvertError("one-way value " + std::to_string(value) + " is not -1, 0 or 1");
  return static_cast<int8_t>(value);
}

// A number that must not be negative, as a road's length or duration.
int32_t NonNegative(int32_t value, const char* what) {
  if (value < 0) throw EConvertError(std::string(what) + " " + std::to_string(value) + " is negative");
  return value;
}

// The first three fields of row r, numbers without quotes, give segment r
// its end codes and length: "from,to,length". A negative length is refused:
// a road that can be driven both ways would make a cycle of negative length
// that no route search can end on.
void ReadSegmentEnds(LineTokens& fields, SegmentLayer& layer, int32_t row) {
  const int32_t from = fields.NextInt(',');
  TFieldS& segment = layer.Segment(row);
  segment.From = from;
  const int32_t to = fields.NextInt(',');
  segment.To = to;
  segment.Length = NonNegative(fields.NextInt(','), "road length");
}

// The optional columns of row r, from the fields after the third.
void ReadSegmentColumns(LineTokens& fields, SegmentLayer& layer, int32_t row) {
  const SegmentColumns& columns = layer.columns;
  for (int32_t column = 3; column <= columns.Last(); ++column) {
    const std::string_view field = fields.NextField();
    if (column == columns.oneway) layer.oneway[row] = OnewayValue(field);
    if (column == columns.duration) layer.duration[row] = NonNegative(StrToInt(field), "duration");
    if (column == columns.name) layer.name.Set(row, field);
    if (column == columns.roadClass) layer.roadClass[row] = RoadClassFromText(field);
  }
}

// Row r gives segment r its end codes and length, and its optional columns
// where the header declares them; without them anything after a third
// comma is ignored.
void ReadSegmentAttributes(TextFile& file, ReadControl& control, SegmentLayer& layer) {
  const SegmentColumns& columns = layer.columns;
  const auto rows = [&layer](int32_t column) { return column >= 0 ? static_cast<size_t>(layer.Count()) : 0; };
  layer.attributesOpened = true;
  layer.oneway.assign(rows(columns.oneway), 0);
  layer.duration.assign(rows(columns.duration), 0);
  layer.name.Assign(rows(columns.name));
  layer.roadClass.assign(rows(columns.roadClass), RoadClass::kMinor);
  int32_t row = 0;
  AtFileLine(file, [&] {
    ReadLines(file, 5, control, [&](std::string_view line) {
      LineTokens tokens(line);
      ReadSegmentEnds(tokens, layer, row);
      if (columns.Any()) ReadSegmentColumns(tokens, layer, row);
      ++row;
    });
  });
}

// Puts what was read of the S layer into the store.
void StoreSegmentLayer(SegmentLayer& layer) {
  Append(segments, segmentCount, layer.added);
  if (!layer.attributesOpened) return;
  segmentOneway = std::move(layer.oneway);
  segmentDuration = std::move(layer.duration);
  segmentName = std::move(layer.name);
  segmentClass = std::move(layer.roadClass);
}

// The four layer files, opened before any is read; null for one that
// cannot be opened, which is skipped.
using OpenLayers = std::array<std::unique_ptr<TextFile>, 4>;

OpenLayers OpenLayerFiles(const LayerFiles& names, LoadProgress* progress) {
  const std::array<std::string, 4> paths = names.InOrder();
  OpenLayers files;
  int64_t total = 0;
  for (size_t k = 0; k < files.size(); ++k) {
    auto file = std::make_unique<TextFile>();
    if (!file->Open(paths[k], k == 0 ? NameMatch::Exact : NameMatch::IgnoreCase)) continue;
    total += file->Size();
    files[k] = std::move(file);
  }
  if (progress) progress->totalBytes = total;
  return files;
}

void ReadPointLayer(OpenLayers& files, ReadControl& control) {
  if (files[0]) ReadPointGeometry(*files[0], control);
  if (files[1]) ReadPointAttributes(*files[1], control);
}

void ReadSegmentLayer(OpenLayers& files, ReadControl& control, SegmentLayer& layer) {
  if (files[2]) ReadSegmentGeometry(*files[2], control, layer);
  if (files[3]) ReadSegmentAttributes(*files[3], control, layer);
}

// Reads the S layer on a thread of its own while the calling thread reads
// the M layer, when the store is empty (as it is after ClearMapStore) and
// there is an S layer. The outcome is the sequential one: a failure in the
// M layer is the load's, and the S layer is then dropped; otherwise the S
// layer is stored, and its failure is the load's.
void ReadLayers(OpenLayers& files, LoadProgress* progress) {
  SegmentLayer layer;
  layer.stored = segmentCount;
  std::atomic<bool> abandon{false};
  std::exception_ptr segmentFault;
  const auto readSegments = [&] {
    ReadControl control(progress, &abandon);
    try {
      ReadSegmentLayer(files, control, layer);
    } catch (...) {
      segmentFault = std::current_exception();
    }
  };
  std::thread worker;
  if (pointCount == 0 && segmentCount == 0 && (files[2] || files[3])) {
    try {
      worker = std::thread(readSegments);
    } catch (const std::system_error&) {  // no thread to be had: one after the other
    }
  }
  try {
    ReadControl control(progress, nullptr);
    ReadPointLayer(files, control);
  } catch (...) {
    if (worker.joinable()) {
      abandon = true;
      worker.join();
    }
    throw;
  }
  if (worker.joinable()) {
    worker.join();
  } else {
    readSegments();
  }
  StoreSegmentLayer(layer);
  if (segmentFault) std::rethrow_exception(segmentFault);
}

}  // namespace

int64_t VertexBound(int64_t segmentFileSize) {
  return std::min<int64_t>(std::max<int64_t>(VERTEX_FLOOR, segmentFileSize / 4), 2147483647);
}

void LoadMapLayers(std::string fileName, LoadProgress* progress) {
  DropMapAreaIndex();  // the tables it indexes are about to change
  ++graphGeneration;   // and so, even if the load fails, is what a kept search knows
  OpenLayers files = OpenLayerFiles(LayerFileNames(std::move(fileName)), progress);
  ReadLayers(files, progress);
  if (progress) progress->phase = LoadProgress::kBuildingGraph;
  BuildRoadGraph(progress);
}
