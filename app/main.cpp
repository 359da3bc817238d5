// Ruvel: a road-map viewer and route finder. The map a file manager or a
// terminal gives as the first argument is opened once the window is shown;
// every other argument is ignored.
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/program.h"
#include "toolkit/command_line.h"

int main() {
  const std::vector<std::string> arguments = ProcessArguments();
  if (arguments.size() < 2) return RunProgram(fMain);
  const std::string map = arguments[1];
  return RunProgram(fMain, [map] { fMain->OpenGivenMap(map); });
}
