// The program folder from the command line, and the command line itself.
#include "toolkit/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/program_folder.h"

namespace {

TEST(ProgramFolderTest, FollowsTheQuoteAndBlankRules) {
  struct Case {
    const char* commandLine;
    const char* folder;
  };
  const Case cases[] = {
      // Quoted, with blanks inside and arguments after it.
      {"\"C:\\Program Files\\Ruvel\\ruvel.exe\" -a \"b c\"", "C:\\Program Files\\Ruvel\\"},
      {"\"/home/ann/my maps/ruvel\" --x \"y z\"", "/home/ann/my maps/"},
      // Unquoted: the program path ends at the first blank.
      {"C:\\A B\\prog.exe", "C:\\"},
      {"/opt/my apps/ruvel", "/opt/"},
      {"/usr/bin/ruvel arg", "/usr/bin/"},
      // No separator at all: an empty folder.
      {"ruvel", ""},
      {"ruvel.exe arg\\x", ""},
      {"\"ruvel\" /x/y", ""},
      {"", ""},
      // A missing closing quote: everything after the opening one.
      {"\"/opt/my apps/ruvel -x", "/opt/my apps/"},
      {"\"C:\\A B\\prog.exe x\\y", "C:\\A B\\prog.exe x\\"},
      // Either separator; the last one counts.
      {"\"C:\\Ruvel/bin\\ruvel.exe\"", "C:\\Ruvel/bin\\"},
      {"/a\\b/ruvel", "/a\\b/"},
      {"/ruvel", "/"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgramFolder(c.commandLine), c.folder) << c.commandLine;
}

TEST(CommandLineTest, QuotesTheProgramAndArgumentsThatNeedIt) {
  EXPECT_EQ(ComposeCommandLine("/opt/my apps/ruvel", {}), "\"/opt/my apps/ruvel\"");
  EXPECT_EQ(ComposeCommandLine("/bin/ruvel", {"-x", "a b", "", "c"}), "\"/bin/ruvel\" -x \"a b\" \"\" c");
}

TEST(CommandLineTest, StartsWithThisProcessesExecutable) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  const std::string commandLine = GetCommandLineA();
  EXPECT_EQ(commandLine.rfind("\"" + exe.string() + "\"", 0), 0u) << commandLine;
  EXPECT_EQ(ProgramFolder(commandLine), exe.parent_path().string() + "/");
}

}  // namespace
