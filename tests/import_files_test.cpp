// Putting an imported map in place: whatever fails on the way, the folder
// holds the whole earlier map or the whole new one, and nothing else.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <string>

#include "import/import_error.h"
#include "import/map_files.h"
#include "import/road_import.h"
#include "map/map_files.h"
#include "tests/import_requests.h"
#include "tests/test_files.h"

namespace {

// A network of one road between two junctions, named name.
RoadNetwork OneRoad(const std::string& name) {
  RoadNetwork network;
  network.junctions = {{0, 0}, {10, 0}};
  RoadSegment road;
  road.from = 1;
  road.to = 2;
  road.name = network.names.Add(name);
  road.length = 10;
  network.segments = {road};
  network.vertices = {{0, 0}, {10, 0}};
  return network;
}

// Every entry of the folder with its bytes.
std::map<std::string, std::string> Folder(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    files[entry.path().filename().string()] = ReadWhole(entry.path().string());
  return files;
}

// The permission bits of a file.
unsigned Mode(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
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
    const MapFilePaths paths = LayerFileNames(dir / "Mroads.mif").WithRestrictions();
    if (earlier) {
      WriteMapFiles(OneRoad("Old"), {}, "NonEarth Units \"m\"", {}, paths);
      ::chmod(paths[0].c_str(), 0600);
      ::chmod(paths[2].c_str(), 0640);
    }
    const std::map<std::string, std::string> before = Folder(dir);
    const int renames = earlier ? 8 : 4;  // each earlier file set aside, each new one put in place
    for (int n = 1; n <= renames; ++n) {
      SCOPED_TRACE((earlier ? "replacing, rename " : "new map, rename ") + std::to_string(n));
      EXPECT_THROW(WriteMapFiles(OneRoad("New"), {}, "NonEarth Units \"m\"", {}, paths, FailingRename(n)),
                   ImportError);
      EXPECT_EQ(Folder(dir), before);
    }
    WriteMapFiles(OneRoad("New"), {}, "NonEarth Units \"m\"", {}, paths, FailingRename(renames + 1));
    EXPECT_EQ(Folder(dir).size(), 4u);
    EXPECT_EQ(ReadWhole(paths[3]), "1,2,10,\"New\"\n");
    if (earlier) {  // the new files take the replaced files' permissions
      EXPECT_EQ(Mode(paths[0]), 0600u);
      EXPECT_EQ(Mode(paths[2]), 0640u);
    }
  }
}

// A write ended by SIGKILL at any rename leaves its temporary files; the
// next import of the same map removes them, and the folder holds the map's
// four files only.
TEST(MapWrite, TheNextImportRemovesWhatAKilledOneLeft) {
  TempDir dir, source, held;
  WriteFile(source / "roads.csv", "WKT,name\n\"LINESTRING (1000 0,1010 0)\",A\n");
  const MapFilePaths paths = LayerFileNames(dir / "Mroads.mif").WithRestrictions();
  WriteMapFiles(OneRoad("Old"), {}, "NonEarth Units \"m\"", {}, paths);
  for (const int n : {1, 2, 5, 8}) {
    SCOPED_TRACE("killed at rename " + std::to_string(n));
    // A kill then leaves the temporaries as they are at that rename.
    const RenameFile killed = [&, calls = 0](const char* from, const char* to) mutable {
      if (++calls != n) return ::rename(from, to);
      std::filesystem::copy(dir.Path(), held.Path(), std::filesystem::copy_options::recursive);
      errno = EIO;
      return -1;
    };
    EXPECT_THROW(WriteMapFiles(OneRoad("New"), {}, "NonEarth Units \"m\"", {}, paths, killed), ImportError);
    std::filesystem::copy(
        held.Path(), dir.Path(),
        std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_existing);
    for (const auto& entry : std::filesystem::directory_iterator(held.Path())) std::filesystem::remove(entry);
    ASSERT_GT(Folder(dir).size(), 4u);
    QuietRequest request(source / "roads.csv", dir / "Mroads.mif");
    ImportRoads(request.request);
    EXPECT_EQ(Folder(dir).size(), 4u);
  }
}

// An import that fails removes the folders it made for the map, and only
// those.
TEST(MapWrite, AFailedImportRemovesTheFoldersItMade) {
  TempDir dir;
  WriteFile(dir / "roads.csv", "WKT,name\n\"LINESTRING (1000 0,1010 0)\",A\n");
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0700), 0);
  for (const std::string& map : {dir / "sub/deeper/Mroads.mif", dir / "new/deeper/Mroads.mif"}) {
    QuietRequest request(dir / "roads.csv", map);
    request.request.where = "name = 'none'";
    EXPECT_THROW(ImportRoads(request.request), ImportError);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "sub/deeper"));
  EXPECT_FALSE(std::filesystem::exists(dir / "new"));
  EXPECT_TRUE(std::filesystem::exists(dir / "sub"));
}
