#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/module_loader.h"
#include "cli/render_module.h"
#include "toolkit/exceptions.h"

void RunRender(const std::vector<std::string>& args) {
  std::vector<const char*> words;
  for (const std::string& word : args) words.push_back(word.c_str());
  const auto render = reinterpret_cast<RuvelRenderFunction>(
      ModuleFunction(RUVEL_RENDER_MODULE_FILE, "render module", RUVEL_RENDER_FUNCTION));
  char message[2048] = "";
  const int status = render(static_cast<int>(words.size()), words.data(), message, sizeof message);
  if (status == 2) throw UsageError();
  if (status != 0) throw Exception(message);
}
