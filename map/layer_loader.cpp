#include "map/layer_loader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "map/area_index.h"
#include "map/bounds.h"
#include "map/first_line_feed.h"
#include "map/leading_digits.h"
#include "map/load_cancelled.h"
#include "map/map_files.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "map/run_together.h"
#include "toolkit/exceptions.h"
#include "toolkit/memory_pages.h"
#include "toolkit/paths.h"
#include "toolkit/text.h"
#include "toolkit/text_file.h"

namespace {

// A number of at most nine digits, after an optional minus, at text[at]:
// read into value, with at moved past it; false, with at anywhere, when
// there is none (also when at is past the end). Inlined into both callers:
// it runs for every number of a map, and left out of line it slows a large
// load by a tenth.
[[gnu::always_inline]] inline bool TakeNumber(std::string_view text, size_t& at, int32_t& value) {
  if (at > text.size()) return false;
  const bool negative = at < text.size() && text[at] == '-';
  at += negative;
  uint32_t magnitude = 0;
  const size_t digits = LeadingDigits(text, at, magnitude);
  at += digits;
  value = negative ? -static_cast<int32_t>(magnitude) : static_cast<int32_t>(magnitude);
  return digits > 0;
}

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
    int32_t value = 0;
    if (!TakeNumber(line_, at, value) || (at < line_.size() && line_[at] != delimiter))
      return StrToInt(Next(delimiter));
    next_ = at + 1;
    return value;
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
//
// Before each line, take is offered the file: it may read common lines at
// its front itself, from the bytes held ahead (TextFile::Ahead), when it
// knows each to be whole (fewer characters than a piece) and reads them as
// this loop and handle would. It moves past them with SkipLines before it
// acts on them, so that a fault names the line it came from, and gives
// their length with their line feeds; 0 leaves the next line to handle.
template <typename Take, typename Handle>
void ReadLines(TextFile& file, size_t minLength, ReadControl& control, Take take, Handle handle) {
  TextFile::Piece piece;
  for (;;) {
    if (const size_t taken = take(file)) {
      control.Advance(static_cast<int64_t>(taken));
      continue;
    }
    if (!file.NextPiece(piece)) break;
    if (piece.stringLength >= minLength)
      handle(std::string_view(piece.text, std::min(piece.length, piece.stringLength)));
    control.Advance(static_cast<int64_t>(piece.length) + piece.lineFeed);
  }
  control.FinishFile(file);
}

template <typename Handle>
void ReadLines(TextFile& file, size_t minLength, ReadControl& control, Handle handle) {
  ReadLines(
      file, minLength, control, [](TextFile&) -> size_t { return 0; }, handle);
}

// The end of a line of numbers, "x y", that starts at text[0] with x at
// text[at], in its plainest form: one blank between numbers of at most nine
// digits, then the line feed (or CR LF). Its length with the line feed, and
// point set to x and y, as NextInt(' ') twice sets them; 0 for any other
// line, which is left to be read the usual way. Text holds more than a
// piece, or nothing. Inlined into the loops that call it, line after line.
[[gnu::always_inline]] inline size_t TakeCoordinates(std::string_view text, size_t at, TPoint& point) {
  constexpr size_t kLongestPlainLine = 23;  // "-x -y", nine digits each, and CR LF
  if (text.size() < at + kLongestPlainLine + 16) return 0;
  const size_t start = at, lineFeed = FirstLineFeed<16>(text.data() + start);  // from start
  int32_t x = 0, y = 0;
  if (!TakeNumber(text, at, x) || text[at++] != ' ' || !TakeNumber(text, at, y)) return 0;
  at += text[at] == '\r';
  if (lineFeed < 16 && at == start + lineFeed) [[likely]] {
    point = {x, y};
    return start + lineFeed + 1;
  }
  // A line feed before the numbers' end, or a long line's end that is none.
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
    const size_t length = TakeCoordinates(ahead.substr(taken), 0, wanted[lines]);
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

// Runs work on the file; an exception it raises leaves with the file's name
// and the number of the line reached in front of its message, and memory
// running out as EOutOfMemory, likewise placed. The room for that message
// is taken before the work: by the time it is written, memory may have run
// out to the last byte.
template <typename Work>
void AtFileLine(const TextFile& file, Work work) {
  const std::string name = ExtractFileName(file.Path());
  std::string outOfMemory;
  outOfMemory.reserve(name.size() + 64);
  const auto where = [&] { return name + ", line " + std::to_string(file.LineNumber()) + ": "; };
  try {
    work();
    return;
  } catch (const ELoadCancelled&) {
    throw;
  } catch (const EOutOfMemory&) {
  } catch (const std::bad_alloc&) {
  } catch (Exception& e) {
    e.PrefixMessage(where());
    throw;
  }
  // A line number has at most 11 characters, which a string holds without allocating.
  outOfMemory.append(name).append(", line ").append(std::to_string(file.LineNumber()));
  throw EOutOfMemory(std::move(outOfMemory.append(": Out of memory for the map")));
}

// The records a file adds to a table after those it holds, made in room of
// their own and put into the table once read: as the table itself when it
// held none, without a copy.
template <typename T>
class AddedRecords {
 public:
  explicit AddedRecords(int32_t stored) : stored_(stored) {}

  int32_t Count() const { return stored_ + added_; }
  int32_t Stored() const { return stored_; }

  // Record r, of those stored in table and those added: as table[r] would be.
  T& Record(int32_t r, DynamicArray<T>& table) {
    if (r < 0 || r >= Count()) throw DynArrayOutOfRange(r, Count());
    return r < stored_ ? table[r] : room_[r - stored_];
  }

  // The records [first, first + count), all of them added ones, as one
  // array; null for none.
  T* AddedRun(int32_t first, int32_t count) {
    if (count == 0) return nullptr;
    if (first < stored_ || count < 0 || int64_t{first} + count > Count())
      throw DynArrayOutOfRange(first, Count());
    return &room_[first - stored_];
  }

  // Makes room for the records a file of fileSize bytes holds when each
  // takes at least recordBytes of it; a file of smaller ones makes the room
  // grow as it fills. Zeroed memory that costs nothing until it is filled,
  // when large; a small block comes from the heap, zeroed in full, so it is
  // not made larger than a map needs.
  void ReserveFor(int64_t fileSize, int64_t recordBytes) {
    try {
      room_.SetLength(static_cast<int32_t>(std::min<int64_t>(fileSize / recordBytes + 16, MAP_ITEM_LIMIT)));
    } catch (const EOutOfMemory&) {
    }
  }

  // A new record after the others.
  // Its zero bytes are written before anything reads them: a page of the
  // room is then first touched by a write, which maps it at once, rather
  // than by a read, which maps the shared zero page and costs a copy on
  // write, and a flush of the other core's address cache, at the first write.
  T& Add() {
    if (added_ == room_.Length())
      room_.SetLength(static_cast<int32_t>(std::clamp<int64_t>(2 * int64_t{added_}, 16, MAP_ITEM_LIMIT)));
    pages_.Before(&room_[0], static_cast<size_t>(added_), static_cast<size_t>(room_.Length()));
    T& record = room_[added_++];
    std::memset(static_cast<void*>(&record), 0, sizeof record);  // its value already: zero is a new record
    return record;
  }

  // Puts the records added after those of table, count being its length.
  void Store(DynamicArray<T>& table, int32_t& count) {
    if (added_ == 0) return;
    room_.DropUnfilledTail(added_);
    if (stored_ == 0) {
      table = room_;
    } else {
      table.SetLength(stored_ + added_);
      for (int32_t k = 0; k < added_; ++k) table[stored_ + k] = room_[k];
    }
    count = table.Length();
  }

 private:
  const int32_t stored_;
  DynamicArray<T> room_;  // the added records, then room for more
  int32_t added_ = 0;
  PagesMappedAhead<T> pages_;  // of room_
};

// The fewest bytes of its file that a common record takes, for the room
// made for a file's records.
constexpr int64_t kPointBytes = 10;    // "Point x y" with its line feed
constexpr int64_t kSegmentBytes = 16;  // "Pline 2", "x y" and "x y", each with its line feed

// Whether a and b are the same word, ignoring the letter case of ASCII.
bool SameWord(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// "Point X Y" lines, from the first column, add a point each to added, by
// its coordinates; a CoordSys line of the header says the map is in metres.
void ReadPointLines(TextFile& file, ReadControl& control, AddedRecords<TFieldM>& added) {
  const auto roomForOneMore = [&] { return added.Count() < MAP_ITEM_LIMIT; };
  const auto takePoint = [&](TextFile& source) -> size_t {
    constexpr std::string_view kPoint = "Point ";
    const std::string_view ahead = source.Ahead();
    TPoint point;
    const size_t taken = ahead.substr(0, kPoint.size()) == kPoint && roomForOneMore()
                             ? TakeCoordinates(ahead, kPoint.size(), point)
                             : 0;
    if (taken) {
      source.SkipLines(taken, 1);
      TFieldM& fresh = added.Add();
      fresh.X = point.x;
      fresh.Y = point.y;
    }
    return taken;
  };
  ReadLines(file, 5, control, takePoint, [&](std::string_view line) {
    LineTokens tokens(line);
    const std::string_view token = tokens.Next(' ');
    if (SameWord(token, "CoordSys")) mapHasCoordSys = true;
    if (token != "Point") return;
    if (!roomForOneMore())
      throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " points");
    TFieldM& point = added.Add();
    point.X = tokens.NextInt(' ');
    point.Y = tokens.NextInt(' ');
  });
}

// The points of the M layer's .mif file, appended to the table also when
// reading fails, so that what was read stays stored.
void ReadPointGeometry(TextFile& file, ReadControl& control) {
  AddedRecords<TFieldM> added(pointCount);
  added.ReserveFor(file.Size(), kPointBytes);
  AtFileLine(file, [&] {
    try {
      ReadPointLines(file, control, added);
    } catch (...) {
      added.Store(points, pointCount);
      throw;
    }
    added.Store(points, pointCount);
  });
}

// Where the row at the front of ahead (as Ahead gives it) ends when it
// takes fewer than 32 bytes: its line feed's offset, and its end before the
// CR of a CR LF; the offset is 32 for a longer row. Inlined into both row
// readers, which run it row after row.
[[gnu::always_inline]] inline std::pair<size_t, size_t> ShortRowEnd(std::string_view ahead) {
  const size_t lineFeed = FirstLineFeed<32>(ahead.data());
  return {lineFeed, lineFeed - (lineFeed > 0 && lineFeed < 32 && ahead[lineFeed - 1] == '\r')};
}

// The length with its line feed of the M layer's .mid row at the front of
// ahead (as Ahead gives it) when it is "code,text" in its plainest form:
// the code a plain number, the row of at least minLength characters with
// its line feed and of fewer than 32 bytes; code and text read as
// NextInt(',') and Rest read them. 0 for any other row.
size_t TakePointRow(std::string_view ahead, size_t minLength, int32_t& code, std::string_view& text) {
  if (ahead.empty()) return 0;
  const auto [lineFeed, lineEnd] = ShortRowEnd(ahead);
  if (lineFeed == 32) return 0;
  size_t at = 0;
  if (lineEnd + 1 < minLength || !TakeNumber(ahead, at, code) || at >= lineEnd || ahead[at] != ',') return 0;
  text = ahead.substr(at + 1, lineEnd - at - 1);
  return lineFeed + 1;
}

// Row r gives point r its code and, after the first comma, its text.
void ReadPointAttributes(TextFile& file, ReadControl& control) {
  constexpr size_t kMinLength = 5;
  int32_t row = 0;
  ArrayChunks textChunks;
  const auto setRow = [&](int32_t code, std::string_view text) {
    TFieldM& point = points[row];
    point.Code = code;
    point.Text = SharedText(text, textChunks);
    ++row;
  };
  const auto takeRow = [&](TextFile& source) -> size_t {
    int32_t code = 0;
    std::string_view text;
    const size_t length = TakePointRow(source.Ahead(), kMinLength, code, text);
    if (length == 0) return 0;
    source.SkipLines(length, 1);
    setRow(code, text);
    return length;
  };
  AtFileLine(file, [&] {
    ReadLines(file, kMinLength, control, takeRow, [&](std::string_view line) {
      LineTokens tokens(line);
      const int32_t code = tokens.NextInt(',');
      setRow(code, tokens.Rest());
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

// The values of the optional columns, by row; empty for a column the
// header does not declare.
struct ColumnValues {
  std::vector<int8_t> oneway;
  std::vector<int32_t> duration;
  NameTable name;
  std::vector<RoadClass> roadClass;

  // Sets the count rows from `to` on to other's first count rows, column
  // by column, where both have the column; all but the name, which fills
  // one block in row order. Rows apart may be copied on threads apart.
  void CopyNumbers(const ColumnValues& other, size_t count, size_t to) {
    const auto copy = [count, to](const auto& from, auto& into) {
      if (!from.empty()) std::copy_n(from.begin(), count, into.begin() + static_cast<std::ptrdiff_t>(to));
    };
    copy(other.oneway, oneway);
    copy(other.duration, duration);
    copy(other.roadClass, roadClass);
  }

  // Gives every declared column rows values: those set stay, new ones take
  // the value of a row the file does not give.
  void Resize(const SegmentColumns& columns, size_t rows) {
    const auto size = [rows](int32_t column) { return column >= 0 ? rows : 0; };
    oneway.resize(size(columns.oneway), 0);
    duration.resize(size(columns.duration), 0);
    name.Resize(size(columns.name));
    roadClass.resize(size(columns.roadClass), RoadClass::kMinor);
  }
};

// The S layer as it is read: the segments its .mif file adds and, once its
// .mid file is opened, the optional columns of every segment. Read aside
// and put into the store afterwards, so that it can be read beside the M
// layer and dropped when that fails.
class SegmentLayer {
 public:
  explicit SegmentLayer(int32_t stored) : added(stored) {}

  AddedRecords<TFieldS> added;        // to the segments stored before the load (none, unless not cleared)
  Bounds vertexBounds = Unwidened();  // of every vertex, once the .mif file is read, when none was stored
  SegmentColumns columns;
  bool attributesOpened = false;
  ColumnValues values;

  int32_t Count() const { return added.Count(); }
  TFieldS& Segment(int32_t r) { return added.Record(r, segments); }
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

// The S layer's columns, handed from the thread that reads its header to
// one that waits to read the .mid rows: given once, when the header ends, or
// as none when the header cannot be read.
class ColumnsHandOver {
 public:
  // Hands over columns, or none when null; only the first call counts.
  void Give(const SegmentColumns* columns) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (given_) return;
      given_ = true;
      if (columns) columns_ = *columns;
    }
    handed_.notify_all();
  }

  // Waits for the columns; none when the header could not be read.
  std::optional<SegmentColumns> Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    handed_.wait(lock, [this] { return given_; });
    return columns_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable handed_;
  bool given_ = false;
  std::optional<SegmentColumns> columns_;
};

// "Pline N" starts a segment of N vertices; the following lines that do not
// begin with a blank fill its vertices ("x y"), surplus ones are ignored.
// Before the first Pline, the Columns block says where the optional columns
// stand in the .mid rows; they are handed over as soon as it ends.
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

// The first three fields of a row, numbers without quotes, give its
// segment (the record rowRecord() returns) its end codes and length:
// "from,to,length". A negative length is refused: a road that can be driven
// both ways would make a cycle of negative length that no route search can
// end on. Each field is stored as soon as it is converted.
template <typename RowRecord>
void ReadSegmentEnds(LineTokens& fields, RowRecord rowRecord) {
  const int32_t from = fields.NextInt(',');
  auto& segment = rowRecord();
  segment.From = from;
  const int32_t to = fields.NextInt(',');
  segment.To = to;
  segment.Length = NonNegative(fields.NextInt(','), "road length");
}

// The optional columns of row r, from the fields after the third, into
// values, which have room for row r.
void ReadSegmentColumns(LineTokens& fields, const SegmentColumns& columns, ColumnValues& values, size_t row) {
  for (int32_t column = 3; column <= columns.Last(); ++column) {
    const std::string_view field = fields.NextField();
    if (column == columns.oneway) values.oneway[row] = OnewayValue(field);
    if (column == columns.duration) values.duration[row] = NonNegative(StrToInt(field), "duration");
    if (column == columns.name) values.name.Set(row, field);
    if (column == columns.roadClass) values.roadClass[row] = RoadClassFromText(field);
  }
}

// Row r gives segment r its end codes and length, and its optional columns
// where the header declares them; without them anything after a third
// comma is ignored.
void ReadSegmentAttributes(TextFile& file, ReadControl& control, SegmentLayer& layer) {
  const SegmentColumns& columns = layer.columns;
  layer.attributesOpened = true;
  layer.values.Resize(columns, static_cast<size_t>(layer.Count()));
  int32_t row = 0;
  AtFileLine(file, [&] {
    ReadLines(file, 5, control, [&](std::string_view line) {
      LineTokens tokens(line);
      ReadSegmentEnds(tokens, [&]() -> TFieldS& { return layer.Segment(row); });
      if (columns.Any()) ReadSegmentColumns(tokens, columns, layer.values, static_cast<size_t>(row));
      ++row;
    });
  });
}

// Rows of the S layer's .mid file read aside, before the segments they
// belong to are known. Complete only when every row was read without a
// fault.
struct SegmentRows {
  struct Ends {
    int32_t From = 0, To = 0, Length = 0;
  };
  std::vector<Ends> ends;
  ColumnValues values;
  bool complete = false;
};

// The length with its line feed of the S layer's .mid row at the front of
// ahead (as Ahead gives it) in its plainest form: "from,to,length", plain
// numbers, the length not negative, and, withClass, ",class", class the
// whole name of a class; read into ends and roadClass as ReadSegmentEnds
// and ReadSegmentColumns read it. 0 for any other row.
size_t TakeSegmentRow(std::string_view ahead, bool withClass, SegmentRows::Ends& ends, RoadClass& roadClass) {
  if (ahead.empty()) return 0;
  const auto [lineFeed, lineEnd] = ShortRowEnd(ahead);
  if (lineFeed == 32) return 0;
  size_t at = 0;
  int32_t from = 0, to = 0, length = 0;
  if (!TakeNumber(ahead, at, from) || ahead[at++] != ',' || !TakeNumber(ahead, at, to) ||
      ahead[at++] != ',' || !TakeNumber(ahead, at, length) || length < 0)
    return 0;
  if (withClass) {
    if (at >= lineEnd || ahead[at] != ',' ||
        !NamedRoadClass(ahead.substr(at + 1, lineEnd - at - 1), roadClass))
      return 0;
  } else if (at != lineEnd) {
    return 0;
  }
  ends = {from, to, length};
  return lineFeed + 1;
}

// Reads every row of file into rows, as ReadSegmentAttributes would give
// them to the segments; any fault leaves rows incomplete.
void ReadSegmentRowsAside(TextFile& file, ReadControl& control, const SegmentColumns& columns,
                          SegmentRows& rows) {
  try {
    rows.ends.reserve(static_cast<size_t>(file.Size() / 5 + 1));
    size_t room = 0;                            // rows the values have
    PagesMappedAhead<SegmentRows::Ends> pages;  // of the ends' room
    // A new row's ends.
    const auto newEnds = [&]() -> SegmentRows::Ends& {
      pages.Before(rows.ends.data(), rows.ends.size(), rows.ends.capacity());
      return rows.ends.emplace_back();
    };
    // Rows of no optional column, or of a class alone, in their plainest form.
    const bool withClass = columns.roadClass == 3 && columns.Last() == 3;
    const auto takeRow = [&](TextFile& source) -> size_t {
      SegmentRows::Ends ends;
      RoadClass roadClass = RoadClass::kMinor;
      const size_t length =
          !columns.Any() || withClass ? TakeSegmentRow(source.Ahead(), withClass, ends, roadClass) : 0;
      if (length == 0) return 0;
      source.SkipLines(length, 1);
      const size_t row = rows.ends.size();
      newEnds() = ends;
      if (withClass) {
        if (row >= room) rows.values.Resize(columns, room = 2 * room + 1024);
        rows.values.roadClass[row] = roadClass;
      }
      return length;
    };
    ReadLines(file, 5, control, takeRow, [&](std::string_view line) {
      const size_t row = rows.ends.size();
      LineTokens tokens(line);
      ReadSegmentEnds(tokens, newEnds);
      if (!columns.Any()) return;
      if (row >= room) rows.values.Resize(columns, room = 2 * room + 1024);
      ReadSegmentColumns(tokens, columns, rows.values, row);
    });
    rows.complete = true;
  } catch (...) {
  }
}

// The S layer's .mid file cut at line starts into parts of about
// partBytes, read aside while the .mif file is read, by whichever of the
// two threads is free: the thread that reads the M layer once it is done
// with it, the one that reads the S layer's .mif file once that is read.
// So the two finish together, however the work of the four files is
// shared. Each part is read by a reader of its own, starting at line 1:
// a fault in any part leaves the rows incomplete, and the file is then read
// again after the .mif file, the usual way, which fails where a load
// reading one file after the other fails.
class SegmentRowParts {
 public:
  SegmentRowParts(const TextFile& file, int64_t partBytes) : path_(file.Path()) {
    starts_.push_back(0);
    while (starts_.back() < file.Size())
      starts_.push_back(
          file.LineStartAfter(std::min(file.Size(), starts_.back() + std::max<int64_t>(partBytes, 1) - 1)));
    rows_.resize(starts_.size() - 1);
  }

  // Reads parts until none is left, or a part fails; a thread that joins
  // in gives its own control and the columns the header declares.
  // Raises nothing: a part that cannot be read leaves the rows incomplete.
  void Read(ReadControl& control, const SegmentColumns& columns) {
    for (size_t k; !failed_ && (k = next_++) < rows_.size();) {
      read_ = true;
      try {
        std::unique_ptr<TextFile> part(new TextFile);  // its buffer left unwritten until read into
        if (!part->Open(path_, NameMatch::Exact)) throw Exception("the file is gone");
        part->ReadOnlyPart(starts_[k], starts_[k + 1]);
        ReadSegmentRowsAside(*part, control, columns, rows_[k]);
      } catch (...) {
      }
      if (!rows_[k].complete) failed_ = true;
    }
  }

  // Whether any part was read; the file is then read once more when the
  // rows are not complete.
  bool WereRead() const { return read_; }

  // Gives the rows to the layer's segments when every part was read
  // completely and there is a segment for each row; false otherwise.
  // After both threads are done. Both cores copy the rows, each about half
  // of them; then the names, which fill one block in row order.
  bool GiveToSegments(SegmentLayer& layer) {
    std::vector<int32_t> firstRows{0};  // of each part, then the number of rows
    for (const SegmentRows& rows : rows_) {
      if (!rows.complete) return false;
      const int64_t next = firstRows.back() + static_cast<int64_t>(rows.ends.size());
      if (next > layer.Count()) return false;
      firstRows.push_back(static_cast<int32_t>(next));
    }
    layer.values.Resize(layer.columns, static_cast<size_t>(layer.Count()));
    const size_t middle = static_cast<size_t>(
        std::lower_bound(firstRows.begin(), firstRows.end() - 1, firstRows.back() / 2) - firstRows.begin());
    const auto give = [&](size_t begin, size_t end) {
      for (size_t k = begin; k < end; ++k) GivePart(layer, k, firstRows[k]);
    };
    RunTogether([&] { give(middle, rows_.size()); }, [&] { give(0, middle); });
    for (size_t k = 0; k < rows_.size(); ++k) {
      const NameTable& names = rows_[k].values.name;
      for (int32_t r = firstRows[k]; !names.empty() && r < firstRows[k + 1]; ++r)
        layer.values.name.Set(static_cast<size_t>(r), names[static_cast<size_t>(r - firstRows[k])]);
      rows_[k] = {};  // its memory back before the next part's names are copied
    }
    layer.attributesOpened = true;
    return true;
  }

 private:
  // Part k's rows, but for their names, to the segments from row first on;
  // the part keeps only its names.
  void GivePart(SegmentLayer& layer, size_t k, int32_t first) {
    SegmentRows& rows = rows_[k];
    const auto count = static_cast<int32_t>(rows.ends.size());
    TFieldS* const segment = layer.added.AddedRun(first, count);
    for (int32_t i = 0; i < count; ++i) {
      segment[i].From = rows.ends[i].From;
      segment[i].To = rows.ends[i].To;
      segment[i].Length = rows.ends[i].Length;
    }
    layer.values.CopyNumbers(rows.values, rows.ends.size(), static_cast<size_t>(first));
    rows.ends = {};
    rows.values.oneway = {};
    rows.values.duration = {};
    rows.values.roadClass = {};
  }

  std::string path_;
  std::vector<int64_t> starts_;  // part k runs from starts_[k] up to starts_[k + 1]
  std::vector<SegmentRows> rows_;
  std::atomic<size_t> next_{0};  // the next part to read
  std::atomic<bool> failed_{false};
  std::atomic<bool> read_{false};
};

// Puts what was read of the S layer into the store.
void StoreSegmentLayer(SegmentLayer& layer) {
  layer.added.Store(segments, segmentCount);
  if (!layer.attributesOpened) return;
  segmentOneway = std::move(layer.values.oneway);
  segmentDuration = std::move(layer.values.duration);
  segmentName = std::move(layer.values.name);
  segmentClass = std::move(layer.values.roadClass);
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

// The S layer's .mid rows: those read in parts (none when there was no
// second thread), or, when they are not complete, the file read the usual
// way; what it adds to the bytes read then counts in the total too.
void ReadSegmentRows(TextFile& file, ReadControl& control, SegmentLayer& layer, SegmentRowParts* parts,
                     LoadProgress* progress) {
  if (parts && parts->GiveToSegments(layer)) return;
  if (parts && parts->WereRead() && progress) progress->totalBytes += file.Size();
  ReadSegmentAttributes(file, control, layer);
}

// Reads the layers on two threads when the store is empty (as it is after
// ClearMapStore) and there is an S layer: a worker reads the S layer's .mif
// file while the calling thread reads the M layer, and then both read the S
// layer's .mid file in parts. The outcome is the sequential one: a failure
// in the M layer is the load's, and the S layer is then dropped; otherwise
// the S layer is stored, and its first failure, in file order, is the
// load's. Returns the bounds of the segments' vertices when the store held
// no segment before, so that the load read all of them.
std::optional<Bounds> ReadLayers(OpenLayers& files, LoadProgress* progress, int64_t rowPartBytes) {
  SegmentLayer layer(segmentCount);
  ColumnsHandOver columns;
  std::optional<SegmentRowParts> rowParts;
  std::atomic<bool> abandon{false}, segmentsFailed{false};
  std::exception_ptr segmentFault;
  const auto readGeometry = [&] {
    ReadControl control(progress, &abandon);
    try {
      if (files[2]) ReadSegmentGeometry(*files[2], control, layer, columns);
    } catch (...) {
      segmentFault = std::current_exception();
      segmentsFailed = true;
    }
    columns.Give(nullptr);
  };
  // Both threads' share of the rows, with the columns its header declared.
  const auto readRowParts = [&](const std::atomic<bool>* giveUp, const SegmentColumns& declared) {
    ReadControl control(progress, giveUp);
    rowParts->Read(control, declared);
  };
  std::thread worker;
  if (pointCount == 0 && segmentCount == 0 && files[2] && files[3]) {
    try {
      rowParts.emplace(*files[3], rowPartBytes);
      worker = std::thread([&] {
        readGeometry();
        if (!segmentsFailed) readRowParts(&abandon, layer.columns);
      });
    } catch (...) {  // no thread to be had, or the file unreadable: one after the other
      rowParts.reset();
    }
  }
  try {
    ReadControl control(progress, nullptr);
    ReadPointLayer(files, control);
    if (std::optional<SegmentColumns> declared = rowParts ? columns.Take() : std::nullopt)
      readRowParts(&segmentsFailed, *declared);
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
    readGeometry();
  }
  if (!segmentFault && files[3]) {
    try {
      ReadControl control(progress, nullptr);
      ReadSegmentRows(*files[3], control, layer, rowParts ? &*rowParts : nullptr, progress);
    } catch (...) {
      segmentFault = std::current_exception();
    }
  }
  StoreSegmentLayer(layer);
  if (segmentFault) std::rethrow_exception(segmentFault);
  if (layer.added.Stored() > 0) return std::nullopt;
  return layer.vertexBounds;
}

}  // namespace

int64_t VertexBound(int64_t segmentFileSize) {
  return std::min<int64_t>(std::max<int64_t>(VERTEX_FLOOR, segmentFileSize / 4), 2147483647);
}

RoadGraph LoadMapTables(std::string fileName, LoadProgress* progress, int64_t rowPartBytes) {
  OpenLayers files = OpenLayerFiles(LayerFileNames(std::move(fileName)), progress);
  const std::optional<Bounds> vertexBounds = ReadLayers(files, progress, rowPartBytes);
  if (progress) progress->phase = LoadProgress::kBuildingGraph;
  return BuildRoadGraphAside(progress, vertexBounds ? &*vertexBounds : nullptr);
}

void LoadMapLayers(std::string fileName, LoadProgress* progress, int64_t rowPartBytes) {
  DropMapAreaIndex();  // the tables it indexes are about to change
  ++graphGeneration;   // and so, even if the load fails, is what a kept search knows
  RoadGraph graph = LoadMapTables(std::move(fileName), progress, rowPartBytes);
  InstallRoadGraph(graph);
}
