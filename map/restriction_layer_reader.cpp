#include "map/restriction_layer_reader.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "map/line_tokens.h"
#include "map/map_store.h"
#include "map/mif_columns.h"
#include "map/road_graph.h"
#include "toolkit/exceptions.h"
#include "toolkit/text.h"

namespace {

// The T layer's columns, in the order its rows give them.
constexpr std::string_view kRestrictionColumns[] = {"Rule", "Kind", "From", "To", "Via", "Ways"};
constexpr int32_t kRestrictionColumnCount = 6;

// The header of a .mif file that may be a T layer: its Columns block,
// compared with the T layer's columns as it is declared.
class RestrictionHeader {
 public:
  // Whether the line belongs to the header's Columns block.
  bool Take(std::string_view line, std::string_view firstToken) {
    return block_.Take(line, firstToken, [this](int32_t column, std::string_view name) {
      matching_ =
          matching_ && column < kRestrictionColumnCount && SameWord(name, kRestrictionColumns[column]);
    });
  }

  // Whether the columns declared are exactly the T layer's.
  bool IsRestrictionLayer() const {
    return matching_ && block_.Complete() && block_.Count() == kRestrictionColumnCount;
  }

 private:
  ColumnsBlock block_;
  bool matching_ = true;  // every column declared so far is the T layer's at its place
};

// One T layer .mif file's reading: the header until the first Point line,
// then, in a T layer, its Point lines.
class RestrictionGeometryReading {
 public:
  // A line of the file: of the header, a Point line, or one to ignore; every
  // line once the header ended and was not a T layer's.
  void Handle(std::string_view line) {
    if (ignored_) return;
    LineTokens tokens(line);
    const std::string_view token = tokens.Next(' ');
    if (inHeader_ && token != "Point" && header_.Take(line, token)) return;
    if (token != "Point") return;
    if (inHeader_) EndHeader();
    if (!ignored_) ReadPoint(tokens);
  }

  // Whether the file is a T layer, once it is read to its end.
  bool IsRestrictionLayer() const { return !ignored_ && header_.IsRestrictionLayer(); }
  // The Point lines read after the header.
  int32_t Points() const { return points_; }

 private:
  // At the first Point line: from here on the lines are a T layer's, or
  // ignored.
  void EndHeader() {
    inHeader_ = false;
    ignored_ = !header_.IsRestrictionLayer();
  }

  // "Point X Y": X and Y must be numbers; they are not kept, the point
  // standing at its restriction's via junction.
  void ReadPoint(LineTokens& tokens) {
    if (points_ >= MAP_ITEM_LIMIT)
      throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " turn restrictions");
    tokens.NextInt(' ');
    tokens.NextInt(' ');
    ++points_;
  }

  RestrictionHeader header_;
  bool inHeader_ = true;
  bool ignored_ = false;  // the header ended and was not a T layer's
  int32_t points_ = 0;
};

// A kind: true for `only`, false for `no`.
bool IsOnlyKind(std::string_view kind) {
  if (kind == "only") return true;
  if (kind == "no") return false;
  throw EConvertError("turn restriction kind " + QuotedText(kind) + " is neither no nor only");
}

// A segment number of the column named column, which must name a segment
// of the store.
int32_t SegmentNumber(int32_t segment, const char* column) {
  if (segment < 0 || segment >= segmentCount)
    throw Exception(std::string(column) + " " + std::to_string(segment) +
                    " is not a segment of the map (0 to " + std::to_string(segmentCount - 1) + ")");
  return segment;
}

// The Via column, which must be the code of a node of the road graph.
int32_t JunctionCode(int32_t via) {
  if (via < 1 || via > pointCount)
    throw Exception("Via " + std::to_string(via) + " is not a junction of the map (1 to " +
                    std::to_string(pointCount) + ")");
  return via;
}

// The Ways column: segment numbers separated by single blanks; none when
// it is empty.
std::vector<int32_t> WaysOf(std::string_view field) {
  std::vector<int32_t> ways;
  if (field.empty()) return ways;
  for (size_t start = 0; start <= field.size();) {
    const size_t end = std::min(field.find(' ', start), field.size());
    ways.push_back(SegmentNumber(StrToInt(field.substr(start, end - start)), "Ways segment"));
    start = end + 1;
  }
  return ways;
}

// Where a route that drives the named segment from junction `from` comes
// out: its other end (the same junction for a loop). Raises Exception,
// saying what joins there, when the segment does not end at `from`.
int32_t DrivenFrom(int32_t segment, int32_t from, const char* what) {
  const TFieldS& s = segments[segment];
  if (s.From != from && s.To != from)
    throw Exception(std::string(what) + " " + std::to_string(segment) + " does not end at junction " +
                    std::to_string(from));
  return s.From == from ? s.To : s.From;
}

// Checks that From ends at Via and that Ways and then To follow one
// another from there.
void CheckJoined(const TurnRestriction& r) {
  DrivenFrom(r.from, r.via, "From segment");
  int32_t at = r.via;
  for (const int32_t way : r.ways) at = DrivenFrom(way, at, "Ways segment");
  DrivenFrom(r.to, at, "To segment");
}

// The restriction a row gives.
TurnRestriction RestrictionOf(std::string_view line) {
  LineTokens fields(line);
  fields.NextField();  // the rule, which only tells what the kind says
  TurnRestriction r;
  r.only = IsOnlyKind(fields.NextField());
  r.from = SegmentNumber(fields.NextInt(','), "From segment");
  r.to = SegmentNumber(fields.NextInt(','), "To segment");
  r.via = JunctionCode(fields.NextInt(','));
  r.ways = WaysOf(fields.NextField());
  CheckJoined(r);
  return r;
}

}  // namespace

std::optional<int32_t> ReadRestrictionGeometry(TextFile& file, ReadControl& control) {
  RestrictionGeometryReading reading;
  AtFileLine(file,
             [&] { ReadLines(file, 5, control, [&](std::string_view line) { reading.Handle(line); }); });
  if (!reading.IsRestrictionLayer()) return std::nullopt;
  return reading.Points();
}

TurnRestrictions ReadRestrictionAttributes(TextFile& file, ReadControl& control, int32_t pointLines) {
  TurnRestrictions restrictions;
  AtFileLine(file, [&] {
    ReadLines(file, 5, control, [&](std::string_view line) {
      const int32_t row = static_cast<int32_t>(restrictions.rows.size());
      if (row >= pointLines) throw DynArrayOutOfRange(row, pointLines);
      restrictions.rows.push_back(RestrictionOf(line));
    });
  });
  return restrictions;
}
