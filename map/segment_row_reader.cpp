#include "map/segment_row_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "map/first_line_feed.h"
#include "map/line_tokens.h"
#include "map/map_store.h"
#include "map/road_class.h"
#include "toolkit/exceptions.h"
#include "toolkit/memory_pages.h"
#include "toolkit/text.h"

namespace {

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

// The length with its line feed of the S layer's .mid row at the front of
// ahead (as Ahead gives it) in its plainest form: "from,to,length", plain
// numbers, the length not negative, and, withClass, ",class", class the
// whole name of a class; read into ends and roadClass as ReadSegmentEnds
// and ReadSegmentColumns read it. 0 for any other row.
size_t TakeSegmentRow(std::string_view ahead, bool withClass, SegmentRows::Ends& ends, RoadClass& roadClass) {
  if (ahead.empty()) return 0;
  const size_t lineFeed = FirstLineFeed<32>(ahead.data());
  if (lineFeed == 32) return 0;
  const size_t lineEnd = lineFeed - (lineFeed > 0 && ahead[lineFeed - 1] == '\r');  // before a CR LF
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

}  // namespace

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
