#include "cli/import_module_loader.h"

#include <dlfcn.h>

#include "import/import_module.h"
#include "toolkit/exceptions.h"
#include "toolkit/program_files.h"

std::string ImportModulePath() {
  return ProgramFilePath(ExecutableFolder(), RUVEL_IMPORT_MODULE_FILE,
                         "../lib/ruvel/" RUVEL_IMPORT_MODULE_FILE);
}

void* ImportModuleFunction(const char* symbol) {
  static void* const module = dlopen(ImportModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* reason = dlerror();
    throw Exception("cannot load the import module " + ImportModulePath() + ": " +
                    (reason ? reason : "unknown"));
  }
  void* function = dlsym(module, symbol);
  if (!function) throw Exception("the import module " + ImportModulePath() + " has no function " + symbol);
  return function;
}
