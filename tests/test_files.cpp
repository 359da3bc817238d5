#include "tests/test_files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/ruvel-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  const std::string command = "rm -rf '" + path_ + "'";
  if (std::system(command.c_str()) != 0) return;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

LayerTexts ExampleTown() {
  return {
      "Version 300\nData\nPoint 100 200\n    Symbol (35,0,12)\nPoint 300 200\nPoint 300 400\n",
      "1,Gate\n2,Mill\n3,Ford\n",
      "Version 300\nPline 2\n100 200\n300 200\n    Pen (1,2,0)\nPline 3\n300 200\n320 300\n300 400\n",
      "1,2,200\n2,3,210\n",
  };
}

std::string WriteLayers(const TempDir& dir, const LayerTexts& layers, const std::string& base) {
  const auto write = [&](const std::string& name, const std::string& text) {
    if (!text.empty()) WriteFile(dir / name, text);
  };
  write("M" + base + ".mif", layers.mMif);
  write("M" + base + ".mid", layers.mMid);
  write("S" + base + ".mif", layers.sMif);
  write("S" + base + ".mid", layers.sMid);
  return dir / ("M" + base + ".mif");
}

const std::string kRuvelRoute = RUVEL_ROUTE_EXE;

std::string CompanionAlone(const TempDir& dir) {
  const CommandResult copied =
      RunCommand("mkdir -p '" + (dir / "bin") + "' && cp '" + kRuvelRoute + "' '" + (dir / "bin") + "'");
  EXPECT_EQ(copied.exitCode, 0) << copied.err;
  return "'" + (dir / "bin/ruvel-route") + "' ";
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

CommandResult RunCommand(const std::string& command) {
  TempDir dir;
  const std::string full = command + " >'" + (dir / "out") + "' 2>'" + (dir / "err") + "'";
  const int status = std::system(full.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWhole(dir / "out"), ReadWhole(dir / "err")};
}

std::string RouteLengths(const std::string& out) {
  static const std::regex route("route \\d+ \\d+: (\\d+ points, length (\\d+)|unreachable)");
  std::string lengths;
  for (std::sregex_iterator it(out.begin(), out.end(), route), end; it != end; ++it)
    lengths += ((*it)[2].matched ? (*it)[2].str() : "unreachable") + "\n";
  return lengths;
}
