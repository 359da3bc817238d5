// The Debian package, made with CPack from this build as scripts/package.sh
// makes it from its own: the files it installs, the dependencies computed
// from what the programs link, and programs that find their module and
// sample map where the package puts them.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "tests/test_files.h"

namespace {

std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

// The package names of a Depends field, without their versions.
std::set<std::string> DependedOn(const std::string& depends) {
  std::set<std::string> names;
  std::istringstream in(depends);
  for (std::string item; std::getline(in, item, ',');) {
    const size_t start = item.find_first_not_of(' ');
    names.insert(item.substr(start, item.find_first_of(" (\n", start) - start));
  }
  return names;
}

}  // namespace

TEST(DebianPackage, InstallsTheProgramsWithWhatTheyNeed) {
  if (RunCommand("command -v dpkg-deb && command -v dpkg-shlibdeps").exitCode != 0)
    GTEST_SKIP() << "dpkg-deb and dpkg-shlibdeps are needed to make and read the package";
  TempDir dir;
  const CommandResult made = RunCommand(
      "'" RUVEL_CPACK "' --config '" RUVEL_BINARY_DIR "/CPackConfig.cmake' -B '" + dir.Path() + "'");
  ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
  const std::string deb = RunCommand("ls '" + dir.Path() + "'/ruvel_*_$(dpkg --print-architecture).deb").out;
  ASSERT_FALSE(deb.empty());
  const std::string package = "'" + deb.substr(0, deb.size() - 1) + "'";

  EXPECT_EQ(
      Lines(RunCommand("dpkg-deb -c " + package + " | awk '$1 !~ /^d/ {print $6}'").out),
      (std::set<std::string>{"./usr/bin/ruvel", "./usr/bin/ruvel-route", "./usr/lib/ruvel/ruvel_import.so",
                             "./usr/share/applications/ruvel.desktop", "./usr/share/pixmaps/ruvel.xpm",
                             "./usr/share/mime/packages/ruvel.xml", "./usr/share/ruvel/Maps/Mtown.mif",
                             "./usr/share/ruvel/Maps/Mtown.mid", "./usr/share/ruvel/Maps/Stown.mif",
                             "./usr/share/ruvel/Maps/Stown.mid"}));
  EXPECT_EQ(RunCommand("dpkg-deb -f " + package + " Package Maintainer").out,
            "Package: ruvel\nMaintainer: the Ruvel project\n");
  const std::set<std::string> depends = DependedOn(RunCommand("dpkg-deb -f " + package + " Depends").out);
  for (const char* library :
       {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libgdal32"})
    EXPECT_EQ(depends.count(library), 1u) << library << " missing from the dependencies";

  // Unpacked, the companion reads the sample map from the installed folder
  // and loads the import module from ../lib/ruvel (for --geojson).
  ASSERT_EQ(RunCommand("dpkg-deb -x " + package + " '" + (dir / "root") + "'").exitCode, 0);
  const std::string route = "'" + (dir / "root/usr/bin/ruvel-route") + "' ";
  const std::string map = "'" + (dir / "root/usr/share/ruvel/Maps/Mtown.mif") + "'";
  EXPECT_EQ(RunCommand(route + "info " + map).exitCode, 0);
  const CommandResult geojson = RunCommand(route + "route " + map + " 1 2 --geojson");
  EXPECT_EQ(geojson.exitCode, 0) << geojson.err;
  const std::set<std::string> entry =
      Lines(RunCommand("cat '" + (dir / "root/usr/share/applications/ruvel.desktop") + "'").out);
  EXPECT_EQ(entry.count("Exec=ruvel %f"), 1u);
  EXPECT_EQ(entry.count("MimeType=application/x-mapinfo-mif;"), 1u);
}
