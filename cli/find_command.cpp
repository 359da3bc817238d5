#include <cstdio>
#include <limits>

#include "cli/commands.h"
#include "map/junction_search.h"

void RunFind(const std::vector<std::string>& args) {
  if (args.size() != 2) throw UsageError();
  LoadMap(args[0]);
  const std::vector<int32_t> found =
      MatchingJunctions(FoldedJunctionNames(), args[1], std::numeric_limits<size_t>::max());
  for (const int32_t i : found) std::printf("%s\n", JunctionLabel(i).c_str());
  if (found.empty()) throw NothingFound();
}
