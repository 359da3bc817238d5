// Sources that point or write elsewhere: the importer reads only the
// source's own files and writes nothing but the map.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/ogr_sources.h"
#include "tests/test_files.h"

namespace {

CommandResult Import(const std::string& source, const std::string& map) {
  return RunCommand("'" + kRuvelRoute + "' import --quiet '" + source + "' '" + map + "'");
}

// The names of the entries of a folder.
std::map<std::string, bool> Names(const std::string& folder) {
  std::map<std::string, bool> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names[entry.path().filename()] = true;
  return names;
}

constexpr const char* kRoad = "LINESTRING (400000 5800000,400100 5800000)";

}  // namespace

// A MapInfo table that opens other tables (a view, a seamless table) is
// refused as pointing elsewhere, alone or in a folder; a plain table is
// read.
TEST(ImportSources, TablesThatOpenOtherTablesAreRefused) {
  TempDir dir;
  std::filesystem::create_directories(dir / "elsewhere");
  std::filesystem::create_directories(dir / "views");
  WriteOgrSource(dir / "elsewhere/roads.tab", "MapInfo File", 32633, {{kRoad, "A"}});
  WriteFile(dir / "views/view.tab",
            "!Table\n!Version 100\n!charset WindowsLatin1\n\nOpen Table \"../elsewhere/roads\" Hide\n"
            "Create View view As\nSelect * From roads\n");
  WriteFile(
      dir / "seamless.tab",
      "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n  Type NATIVE Charset "
      "\"WindowsLatin1\"\n  Fields 2\n    Table Char (100) ;\n    Description Char (25) ;\nbegin_metadata\n"
      "\"\\IsSeamless\" = \"TRUE\"\nend_metadata\n");
  for (const std::string& source : {dir / "views/view.tab", dir / "views", dir / "seamless.tab"}) {
    SCOPED_TRACE(source);
    const CommandResult r = Import(source, dir / "Mout.mif");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(".tab points elsewhere"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Import(dir / "elsewhere/roads.tab", dir / "Mout.mif").exitCode, 0);
}

// GML without its .gfs, even where the .gfs would be written through a
// dangling link to another folder, and a GeoJSON source imported twice
// beside its map: nothing but the map is written, and the map's own files
// are not the source's.
TEST(ImportSources, NothingIsWrittenBesideTheSource) {
  TempDir dir, outside;
  std::filesystem::create_directories(dir / "gml");
  WriteOgrSource(dir / "gml/a.gml", "GML", 32633, {{kRoad, "A"}});
  std::filesystem::remove(dir / "gml/a.xsd");
  std::filesystem::remove(dir / "gml/a.gfs");
  ASSERT_EQ(::symlink((outside / "a.gfs").c_str(), (dir / "gml/a.gfs").c_str()), 0);
  const std::map<std::string, bool> before = Names(dir / "gml");
  EXPECT_EQ(Import(dir / "gml/a.gml", dir / "Ma.mif").exitCode, 0);
  EXPECT_EQ(RunCommand("'" + kRuvelRoute + "' import '" + (dir / "gml/a.gml") + "' '" + (dir / "Mb.mif") +
                       "' --where \"name = 'none'\"")
                .exitCode,
            1);
  EXPECT_EQ(Names(dir / "gml"), before);
  EXPECT_TRUE(Names(outside.Path()).empty());

  WriteOgrSource(dir / "Mroads.geojson", "GeoJSON", 32633, {{kRoad, "A"}});
  for (int run = 0; run < 2; ++run) {
    const CommandResult r = Import(dir / "Mroads.geojson", dir / "Mroads.mif");
    EXPECT_EQ(r.exitCode, 0) << r.err;
  }
}
