#include <cstdio>
#include <string>

#include "app/main_form.h"
#include "app/offscreen_window.h"
#include "cli/commands.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "toolkit/controls.h"

namespace {

// Prints the route FindRoute left in frontier (target first), from the
// start: its points' codes and the segments between them.
void PrintRoute(int32_t start, int32_t target, int32_t count) {
  int64_t length = 0;
  std::string codes, segmentList;
  for (int32_t i = count - 1; i >= 0; --i) {
    codes += " " + std::to_string(frontier[i]);
    if (i == count - 1) continue;
    const int32_t segment = prevSegment[frontier[i]];
    segmentList += " " + std::to_string(segment);
    length += segments[segment].Length;
  }
  std::printf("route %d %d: %d points, length %lld\ncodes:%s\nsegments:%s\nticks: %s\n", start, target, count,
              static_cast<long long>(length), codes.c_str(), segmentList.c_str(),
              fMain->EditTime->Text().c_str());
}

}  // namespace

void RunRoute(const std::vector<std::string>& args) {
  if (args.size() < 3 || args.size() % 2 == 0) throw UsageError();
  std::vector<int32_t> codes;
  for (size_t i = 1; i < args.size(); ++i) codes.push_back(IntegerArgument(args[i]));
  CreateOffscreenMainWindow();
  LoadMap(args[0]);
  for (size_t i = 0; i < codes.size(); i += 2) {
    const int32_t count = FindRoute(codes[i], codes[i + 1]);
    if (count == ROUTE_NOT_FOUND)
      std::printf("route %d %d: unreachable\n", codes[i], codes[i + 1]);
    else
      PrintRoute(codes[i], codes[i + 1], count);
  }
}
