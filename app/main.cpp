// Ruvel: a road-map viewer and route finder. The map a file manager or a
// terminal gives as the first argument is opened once the window is shown;
// every other argument is ignored. --help and --version answer on standard
// output without opening a display.
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/program.h"
#include "toolkit/command_line.h"

namespace {

void PrintUsage() {
  std::fputs(
      "usage: ruvel [MAP.mif]\n"
      "       ruvel --help | --version\n"
      "Opens the window of Ruvel, a road-map viewer and route finder, and then the map MAP.mif\n"
      "in it as File, Open... would: the M layer's .mif file, whose name begins with a capital M;\n"
      "the other layer files are found beside it. Any other argument is ignored.\n"
      "\n"
      "Options:\n"
      "  --help       print this help and exit\n"
      "  --version    print the program's name and version and exit\n"
      "\n"
      "Exit status: 0, also when a map cannot be read (the window says why).\n",
      stdout);
}

}  // namespace

int main() {
  const std::vector<std::string> arguments = ProcessArguments();
  if (arguments.size() < 2) return RunProgram(fMain);
  const std::string map = arguments[1];
  if (map == "--help") {
    PrintUsage();
    return 0;
  }
  if (map == "--version") {
    std::puts("ruvel " RUVEL_VERSION);
    return 0;
  }
  return RunProgram(fMain, [map] { fMain->OpenGivenMap(map); });
}
