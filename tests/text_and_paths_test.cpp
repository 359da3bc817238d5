#include <gtest/gtest.h>

#include <filesystem>

#include "tests/test_files.h"
#include "toolkit/exceptions.h"
#include "toolkit/paths.h"
#include "toolkit/program_files.h"
#include "toolkit/text.h"

TEST(StrToInt, AcceptsSignedDecimalsInRange) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {{"0", 0},
               {"42", 42},
               {"-17", -17},
               {"+8", 8},
               {"007", 7},
               {"2147483647", 2147483647},
               {"-2147483648", INT32_MIN},
               {"00000000000000000012", 12}};
  for (const auto& c : cases) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
}

TEST(StrToInt, RejectsEverythingElseNamingTheText) {
  for (const char* text : {"", " ", " 1", "1 ", "1.5", "-", "+", "--1", "1e3", "0x10", "abc", "12a",
                           "2147483648", "-2147483649", "99999999999999999999"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

// Text from a file is quoted so that printing it cannot garble a terminal
// or a message box, and a long token does not flood the message.
TEST(StrToInt, QuotesTheTextSafeToPrint) {
  const struct {
    std::string text, quoted;
  } cases[] = {
      {"1\r", "'1\\r'"},
      {"\t2\n", "'\\t2\\n'"},
      {std::string("3\x01\x7f\xff", 4), "'3\\x01\\x7f\\xff'"},
      {std::string("4\0", 2), "'4\\x00'"},
      {"a\\b", "'a\\\\b'"},
      {std::string(40, '9') + "x", "'" + std::string(40, '9') + "...'"},
      {std::string(39, '9') + "x", "'" + std::string(39, '9') + "x'"},
  };
  for (const auto& c : cases) {
    try {
      StrToInt(c.text);
      ADD_FAILURE() << "accepted " << c.quoted;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.quoted + " is not a valid integer value");
    }
  }
}

TEST(Paths, SplitAtTheLastSeparatorOrDrive) {
  const struct {
    const char* path;
    const char* folder;
    const char* name;
    const char* ext;
  } cases[] = {
      {"C:\\Maps\\Mtown.mif", "C:\\Maps\\", "Mtown.mif", ".mif"},
      {"/home/u/Maps/Mtown.mif", "/home/u/Maps/", "Mtown.mif", ".mif"},
      {"C:Mtown.mif", "C:", "Mtown.mif", ".mif"},
      {"Mtown.mif", "", "Mtown.mif", ".mif"},
      {"/a.b/Mtown", "/a.b/", "Mtown", ""},
      {"/a/Mtown.tar.gz", "/a/", "Mtown.tar.gz", ".gz"},
      {"/a/Mtown.", "/a/", "Mtown.", "."},
      {"mixed/dir\\Mx.MIF", "mixed/dir\\", "Mx.MIF", ".MIF"},
      {"/a/", "/a/", "", ""},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
  }
}

TEST(Exceptions, DynArrayOutOfRangeCarriesIndexAndLength) {
  const DynArrayOutOfRange e(3, 3);
  EXPECT_EQ(e.Index(), 3);
  EXPECT_EQ(e.Length(), 3);
  EXPECT_EQ(e.Message(), "Index 3 out of range (length 3)");
  const Exception& base = e;  // every exception derives from Exception
  EXPECT_STREQ(base.what(), "Index 3 out of range (length 3)");
}

// What the programs come with lies beside them in the build folder and, once
// installed, under ../lib/ruvel and ../share/ruvel from their folder.
TEST(ProgramFilePath, PrefersWhatLiesBesideTheProgram) {
  TempDir dir;
  const std::string bin = dir / "bin/";
  std::filesystem::create_directories(bin);
  const std::string installed = dir / "share/ruvel/Maps/";
  EXPECT_EQ(ProgramFilePath(bin, "Maps/", "../share/ruvel/Maps/"), installed);
  std::filesystem::create_directories(bin + "Maps");
  EXPECT_EQ(ProgramFilePath(bin, "Maps/", "../share/ruvel/Maps/"), bin + "Maps/");
  EXPECT_EQ(ProgramFilePath(bin, "module.so", "../lib/ruvel/module.so"), dir / "lib/ruvel/module.so");
  WriteFile(bin + "module.so", "");
  EXPECT_EQ(ProgramFilePath(bin, "module.so", "../lib/ruvel/module.so"), bin + "module.so");
}
