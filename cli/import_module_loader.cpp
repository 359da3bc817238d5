#include "cli/import_module_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "import/import_module.h"
#include "toolkit/exceptions.h"

std::string ImportModulePath() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return (program.parent_path() / RUVEL_IMPORT_MODULE_FILE).string();
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
