// The Debian package, made with CPack from this build as scripts/package.sh
// makes it from its own: the files it installs (the documentation pages
// among them), the dependencies computed from what the programs and modules
// link, and programs that find their modules and sample map where the
// package puts them; manual pages that name the options --help does, and a
// package lintian finds no error or warning in.
#include <gtest/gtest.h>

#include <string>

#include "tests/test_files.h"

TEST(DebianPackage, InstallsTheProgramsWithWhatTheyNeed) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the package is made from the plain build; the sanitizers' programs are not shipped";
#endif
  if (RunCommand("command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null").exitCode != 0)
    GTEST_SKIP() << "dpkg-deb and dpkg-shlibdeps are needed to make and read the package";
  TempDir dir;
  const CommandResult made = RunCommand(
      "'" RUVEL_CPACK "' --config '" RUVEL_BINARY_DIR "/CPackConfig.cmake' -B '" + dir.Path() + "'");
  ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
  const std::string package = "$(ls '" + dir.Path() + "'/ruvel_*_$(dpkg --print-architecture).deb)";

  EXPECT_EQ(RunCommand("dpkg-deb -c " + package + " | awk '$1 !~ /^d/ {print $6}' | LC_ALL=C sort").out,
            "./usr/bin/ruvel\n"
            "./usr/bin/ruvel-route\n"
            "./usr/lib/ruvel/ruvel_import.so\n"
            "./usr/lib/ruvel/ruvel_render.so\n"
            "./usr/share/applications/ruvel.desktop\n"
            "./usr/share/bash-completion/completions/ruvel-route\n"
            "./usr/share/doc/ruvel/architecture.md\n"
            "./usr/share/doc/ruvel/changelog.gz\n"
            "./usr/share/doc/ruvel/command-line.md\n"
            "./usr/share/doc/ruvel/copyright\n"
            "./usr/share/doc/ruvel/import.md\n"
            "./usr/share/doc/ruvel/map-files.md\n"
            "./usr/share/doc/ruvel/road_map.png\n"
            "./usr/share/doc/ruvel/window.md\n"
            "./usr/share/doc/ruvel/window.png\n"
            "./usr/share/man/man1/ruvel-route.1.gz\n"
            "./usr/share/man/man1/ruvel.1.gz\n"
            "./usr/share/mime/packages/ruvel.xml\n"
            "./usr/share/pixmaps/ruvel.xpm\n"
            "./usr/share/ruvel/Maps/Mtown.mid\n"
            "./usr/share/ruvel/Maps/Mtown.mif\n"
            "./usr/share/ruvel/Maps/Stown.mid\n"
            "./usr/share/ruvel/Maps/Stown.mif\n");
  EXPECT_EQ(RunCommand("dpkg-deb -f " + package + " Package Maintainer").out,
            "Package: ruvel\nMaintainer: Ruvel developers <ruvel@users.noreply.example.org>\n");
  const std::string depends = ", " + RunCommand("dpkg-deb -f " + package + " Depends").out;
  for (const char* library :
       {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libgdal32"})
    EXPECT_NE(depends.find(", " + std::string(library) + " ("), std::string::npos)
        << library << " in " << depends;
  EXPECT_NE(depends.find(", fonts-dejavu-core"), std::string::npos) << depends;

  // Unpacked, the companion reads the installed sample map and loads the
  // import module (for --geojson) and the render module from ../lib/ruvel.
  ASSERT_EQ(RunCommand("dpkg-deb -x " + package + " '" + (dir / "root") + "'").exitCode, 0);
  const std::string companion = "'" + (dir / "root/usr/bin/ruvel-route") + "' ";
  const std::string map = " '" + (dir / "root/usr/share/ruvel/Maps/Mtown.mif") + "' ";
  const CommandResult geojson = RunCommand(companion + "route" + map + "1 2 --geojson");
  EXPECT_EQ(geojson.exitCode, 0) << geojson.err;
  const CommandResult render = RunCommand(companion + "render" + map + "'" + (dir / "town.png") + "'");
  EXPECT_EQ(render.exitCode, 0) << render.err;
  EXPECT_EQ(RunCommand("grep -x -c -e 'Exec=ruvel %f' -e 'MimeType=application/x-mapinfo-mif;' '" +
                       (dir / "root/usr/share/applications/ruvel.desktop") + "'")
                .out,
            "2\n");

  // Each manual page names exactly the options its program's --help does.
  for (const std::string program : {"ruvel", "ruvel-route"}) {
    const std::string options = " | grep -o -e '--[a-z][a-z-]*' | sort -u";
    const std::string page = dir / ("root/usr/share/man/man1/" + program + ".1.gz");
    EXPECT_EQ(RunCommand("zcat '" + page + "' | sed 's/\\\\-/-/g'" + options).out,
              RunCommand("'" + (dir / ("root/usr/bin/" + program)) + "' --help" + options).out)
        << program;
  }

  if (RunCommand("command -v lintian >/dev/null").exitCode == 0) {
    const CommandResult lintian = RunCommand("lintian --fail-on error,warning " + package);
    EXPECT_EQ(lintian.exitCode, 0) << lintian.out << lintian.err;
  }
}
