#include "fuzz/fuzz_maps.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"

namespace {

constexpr char kFileSeparator = '\x1e';
constexpr const char* kLayerNames[] = {"Mfuzz.mif", "Mfuzz.mid", "Sfuzz.mif",
                                       "Sfuzz.mid", "Tfuzz.mif", "Tfuzz.mid"};

const std::string& Folder() {
  static const std::string folder = [] {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/dev/shm") + "/ruvel-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    return pattern;
  }();
  return folder;
}

// Removes every file the targets write, then the folder.
void RemoveFolder() {
  for (const std::string name : {"Mfuzz", "Sfuzz", "Tfuzz", "Mprev", "Sprev"})
    for (const char* ext : {".mif", ".mid"}) unlink(FuzzPath(name + ext).c_str());
  rmdir(Folder().c_str());
}

// What a search leaves that anything else reads: its result, the route's
// codes and segments, and both flag arrays as far as any flag can be set.
std::vector<int32_t> Outcome(int32_t result) {
  std::vector<int32_t> outcome{result};
  for (const std::vector<int32_t>& part : {RouteCodes(), RouteSegments()})
    outcome.insert(outcome.end(), part.begin(), part.end());
  const auto flags = [&outcome](const std::vector<int32_t>& array, int32_t count) {
    outcome.insert(outcome.end(), array.begin(), array.begin() + std::min<size_t>(count, array.size()));
  };
  flags(pointOnRoute, nodeCount);
  flags(segmentOnRoute, segmentCount);
  return outcome;
}

}  // namespace

void PrepareFuzzFolder() {
  Folder();  // made before RemoveFolder is registered, so gone after it ran
  atexit(RemoveFolder);
}

std::string FuzzPath(const std::string& name) { return Folder() + "/" + name; }

void WriteFuzzFile(const std::string& name, const std::string& content) {
  std::ofstream(FuzzPath(name), std::ios::binary | std::ios::trunc) << content;
}

std::string WriteInputLayers(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  for (const char* name : kLayerNames) {
    unlink(FuzzPath(name).c_str());
    if (start > input.size()) continue;
    const size_t end = std::min(input.find(kFileSeparator, start), input.size());
    WriteFuzzFile(name, input.substr(start, end - start));
    start = end + 1;
  }
  return FuzzPath(kLayerNames[0]);
}

void CheckRestrictionsJoinUp(const TurnRestrictions& restrictions) {
  const auto segment = [](int32_t s) -> const TFieldS& {
    if (s < 0 || s >= segmentCount) abort();
    return segments[s];
  };
  const auto touches = [](const TFieldS& s, int32_t junction) {
    return s.From == junction || s.To == junction;
  };
  for (const TurnRestriction& r : restrictions.rows) {
    if (r.via < 1 || r.via > pointCount || !touches(segment(r.from), r.via)) abort();
    std::vector<int32_t> after = r.ways;
    after.push_back(r.to);
    int32_t at = r.via;  // where the segments driven so far arrive
    for (const int32_t next : after) {
      const TFieldS& s = segment(next);
      if (!touches(s, at)) abort();
      at = s.From == at ? s.To : s.From;
    }
  }
}

void CheckRoutesAgainstDirectSearch() {
  const int32_t codes[] = {-1, 0, 1, 2, nodeCount / 2, nodeCount, nodeCount + 1};
  std::vector<std::vector<int32_t>> kept;
  for (int32_t start : codes) {
    for (int32_t target : codes) kept.push_back(Outcome(FindRoute(start, target)));
  }
  size_t call = 0;
  for (int32_t start : codes) {
    for (int32_t target : codes) {
      if (Outcome(FindRouteDirect(start, target)) != kept[call++]) abort();
    }
  }
}
