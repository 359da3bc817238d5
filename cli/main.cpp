// ruvel-route: the command-line companion of Ruvel. It loads maps, finds
// routes and draws maps with the same code as the window, for scripting and
// for checking map files.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "toolkit/exceptions.h"
#include "toolkit/text.h"

namespace {

void PrintUsage(std::FILE* to) {
  std::fputs(
      "usage: ruvel-route info MAP.mif\n"
      "       ruvel-route route MAP.mif START TARGET [START TARGET ...]\n"
      "       ruvel-route render MAP.mif OUT.png [--size WIDTHxHEIGHT] [--route START TARGET]\n"
      "                          [--no-points] [--no-lines]\n"
      "       ruvel-route --help\n"
      "MAP.mif is the M layer's .mif file; the other three layer files are found beside it.\n"
      "START and TARGET are point codes. render draws a WIDTHxHEIGHT image (683x397 by default).\n",
      to);
}

// The command named by the first word, or nullptr.
using Command = void (*)(const std::vector<std::string>&);
Command FindCommand(const std::string& name) {
  if (name == "info") return RunInfo;
  if (name == "route") return RunRoute;
  if (name == "render") return RunRender;
  return nullptr;
}

}  // namespace

void LoadMap(const std::string& path) {
  ClearMapStore();
  LoadMapLayers(path);
}

int32_t IntegerArgument(const std::string& word) {
  try {
    return StrToInt(word);
  } catch (const EConvertError&) {
    throw UsageError();
  }
}

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 1 && words[0] == "--help") {
    PrintUsage(stdout);
    return 0;
  }
  const Command command = words.empty() ? nullptr : FindCommand(words[0]);
  try {
    if (!command) throw UsageError();
    command(std::vector<std::string>(words.begin() + 1, words.end()));
    return 0;
  } catch (const UsageError&) {
    PrintUsage(stderr);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ruvel-route: %s\n", e.what());
    return 1;
  }
}
