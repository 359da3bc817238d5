#include "map/point_layer_reader.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "map/added_records.h"
#include "map/array_chunks.h"
#include "map/line_tokens.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "toolkit/exceptions.h"

namespace {

// The fewest bytes of its file that a common point takes, for the room made
// for a file's points: "Point x y" with its line feed.
constexpr int64_t kPointBytes = 10;

// "Point X Y" lines, from the first column, add a point each to added, by
// its coordinates; a CoordSys line of the header says the map is in metres.
void ReadPointLines(TextFile& file, ReadControl& control, AddedRecords<TFieldM>& added) {
  ReadLines(file, 5, control, [&](std::string_view line) {
    LineTokens tokens(line);
    const std::string_view token = tokens.Next(' ');
    if (SameWord(token, "CoordSys")) mapHasCoordSys = true;
    if (token != "Point") return;
    if (added.Count() >= MAP_ITEM_LIMIT)
      throw Exception("Map too large: more than " + std::to_string(MAP_ITEM_LIMIT) + " points");
    TFieldM& point = added.Add();
    point.X = tokens.NextInt(' ');
    point.Y = tokens.NextInt(' ');
  });
}

}  // namespace

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

void ReadPointAttributes(TextFile& file, ReadControl& control) {
  int32_t row = 0;
  ArrayChunks textChunks;  // the texts' blocks, which outlive it
  AtFileLine(file, [&] {
    ReadLines(file, 5, control, [&](std::string_view line) {
      LineTokens tokens(line);
      const int32_t code = tokens.NextInt(',');
      TFieldM& point = points[row];
      point.Code = code;
      point.Text = SharedText(tokens.Rest(), textChunks);
      ++row;
    });
  });
}
