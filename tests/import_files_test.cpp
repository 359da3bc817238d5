// Putting an imported map in place: whatever fails on the way, the folder
// holds the whole earlier map or the whole new one, and nothing else.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <string>

#include "import/import_error.h"
#include "import/map_files.h"
#include "map/map_files.h"
#include "tests/test_files.h"

namespace {

// A network of one road between two junctions, named name.
RoadNetwork OneRoad(const std::string& name) {
  RoadNetwork network;
  network.junctions = {{{0, 0}, {name}}, {{10, 0}, {name}}};
  network.segments = {{1, 2, 10, {{0, 0}, {10, 0}}, name}};
  return network;
}

// Every entry of the folder with its bytes.
std::map<std::string, std::string> Folder(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    files[entry.path().filename().string()] = ReadWhole(entry.path().string());
  return files;
}

// A rename that fails, as a full disk would, on its n-th call only.
RenameFile FailingRename(int n) {
  return [n, calls = 0](const char* from, const char* to) mutable {
    if (++calls != n) return ::rename(from, to);
    errno = ENOSPC;
    return -1;
  };
}

}  // namespace

// Whichever of the renames fails, those already done are undone: the folder
// then holds the whole earlier map (or none, if there was none) and no
// temporary file; once none fails, the whole new map.
TEST(MapWrite, AFailedRenameRestoresTheEarlierMap) {
  for (const bool earlier : {true, false}) {
    TempDir dir;
    const MapFilePaths paths = LayerFileNames(dir / "Mroads.mif").InOrder();
    if (earlier) WriteMapFiles(OneRoad("Old"), "NonEarth Units \"m\"", {}, paths);
    const std::map<std::string, std::string> before = Folder(dir);
    const int renames = earlier ? 8 : 4;  // each earlier file set aside, each new one put in place
    for (int n = 1; n <= renames; ++n) {
      SCOPED_TRACE((earlier ? "replacing, rename " : "new map, rename ") + std::to_string(n));
      EXPECT_THROW(WriteMapFiles(OneRoad("New"), "NonEarth Units \"m\"", {}, paths, FailingRename(n)),
                   ImportError);
      EXPECT_EQ(Folder(dir), before);
    }
    WriteMapFiles(OneRoad("New"), "NonEarth Units \"m\"", {}, paths, FailingRename(renames + 1));
    EXPECT_EQ(Folder(dir).size(), 4u);
    EXPECT_EQ(ReadWhole(paths[3]), "1,2,10,\"New\"\n");
  }
}
