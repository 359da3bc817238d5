// ruvel-route: the command-line companion of Ruvel. It loads maps with the
// same code as the window, for scripting and for checking map files.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/commands.h"

void PrintUsage(bool toStandardOutput) {
  std::fputs(
      "usage: ruvel-route info MAP.mif\n"
      "       ruvel-route --help\n"
      "MAP.mif is the M layer's .mif file; the other three layer files are found beside it.\n",
      toStandardOutput ? stdout : stderr);
}

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 1 && words[0] == "--help") {
    PrintUsage(true);
    return 0;
  }
  const std::vector<std::string> args(words.empty() ? words.end() : words.begin() + 1, words.end());
  try {
    if (!words.empty() && words[0] == "info") return RunInfo(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ruvel-route: %s\n", e.what());
    return 1;
  }
  PrintUsage(false);
  return 2;
}
