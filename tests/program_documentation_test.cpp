// What the programs say about themselves.
#include <gtest/gtest.h>

#include <string>

#include "tests/test_files.h"

namespace {

const std::string kRuvel = RUVEL_EXE;

// Runs program with arguments where no display can be opened: Qt would
// abort on the X11 platform without DISPLAY.
CommandResult RunWithoutDisplay(const std::string& program, const std::string& arguments) {
  return RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + program + "' " + arguments);
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
