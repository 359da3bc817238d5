// What the programs say about themselves, and the manual pages and shell
// completion made from it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/test_files.h"

namespace {

const std::string kRuvel = RUVEL_EXE;

// Runs program with arguments where no display can be opened: Qt would
// abort on the X11 platform without DISPLAY.
CommandResult RunWithoutDisplay(const std::string& program, const std::string& arguments) {
  return RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + program + "' " + arguments);
}

// The sorted offers of ruvel-route's bash completion, one a line, for the
// words after the program's name in bash syntax, the last being the word
// completed, run in folder.
std::string Complete(const std::string& folder, const std::string& words) {
  const std::string script = "source \"$0\"; COMP_WORDS=(\"$1\" " + words +
                             "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _ruvel_route; printf \"%s\\n\" "
                             "\"${COMPREPLY[@]}\" | LC_ALL=C sort -u";
  return RunCommand("cd '" + folder + "' && bash -c '" + script +
                    "' '" RUVEL_SOURCE_DIR "/packaging/ruvel-route.bash-completion' '" + kRuvelRoute + "'")
      .out;
}

}  // namespace

TEST(ProgramDocumentation, VersionAndHelpAnswerWithoutADisplay) {
  const struct {
    std::string program, arguments, outStart;
  } cases[] = {
      {kRuvel, "--version", "ruvel " RUVEL_VERSION "\n"},
      {kRuvelRoute, "--version", "ruvel-route " RUVEL_VERSION "\n"},
      {kRuvel, "--help", "usage: ruvel [MAP.mif]\n"},
      {kRuvelRoute, "--help", "usage: ruvel-route info MAP.mif\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program + " " + c.arguments);
    const CommandResult r = RunWithoutDisplay(c.program, c.arguments);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, c.outStart.size()), c.outStart);
    EXPECT_EQ(r.err, "");
  }
}

// Every option --help names is offered after its command's name (or first),
// and each argument is completed from what the synopsis says it is.
TEST(ProgramDocumentation, BashCompletionFollowsTheSynopsis) {
  TempDir dir;
  for (const char* name : {"Mtown.mif", "Stown.mif", "roads.shp", "ROADS.GPKG", "notes.txt", "x.osm.gz",
                           "x.osm.bz2", "notes.gz"})
    WriteFile(dir / name, "");
  RunCommand("mkdir '" + (dir / "sub") + "'");

  std::string offered = Complete(dir.Path(), "-");
  std::string command;
  for (std::istringstream commands(Complete(dir.Path(), "\"\"")); std::getline(commands, command);)
    if (command[0] != '-') offered += Complete(dir.Path(), command + " --");
  EXPECT_EQ(RunCommand("printf '%s' '" + offered + "' | grep . | LC_ALL=C sort -u").out,
            RunCommand("'" + kRuvelRoute + "' --help | grep -o -e '--[a-z][a-z-]*' | LC_ALL=C sort -u").out);

  const struct {
    std::string words, offers;
  } cases[] = {
      {"r", "render\nroute\n"},
      {"route Mtown.mif 1 2 --ge", "--geojson\n"},
      {"render \"\"", "Mtown.mif\nsub\n"},
      {"render Mtown.mif o.png --size \"\"", "\n"},
      {"render Mtown.mif o.png --size 9x9 --no-p", "--no-points\n"},
      {"import \"\"", "Mtown.mif\nROADS.GPKG\nStown.mif\nroads.shp\nsub\nx.osm.bz2\nx.osm.gz\n"},
      {"import x.osm", "x.osm.bz2\nx.osm.gz\n"},
      {"import roads.shp Mx.mif --profile \"\"", "all\nbike\ncar\nfoot\n"},
      {"import --bbox 1 2 3 4 roads.shp \"\"", "Mtown.mif\nsub\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Complete(dir.Path(), c.words), c.offers) << c.words;
}
