#include "cli/module_loader.h"

#include <dlfcn.h>

#include <map>
#include <string>

#include "toolkit/exceptions.h"
#include "toolkit/program_files.h"

void* ModuleFunction(const char* file, const char* what, const char* symbol) {
  static std::map<std::string, void*> opened;  // by file; a module that failed to open is tried again
  const std::string path = ProgramFilePath(ExecutableFolder(), file, std::string("../lib/ruvel/") + file);
  void*& module = opened[file];
  // Bound lazily, as the libraries a program starts with are: the heavy
  // libraries a module brings then cost no more than they would at a start.
  if (!module) module = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!module) {
    const char* reason = dlerror();
    throw Exception(std::string("cannot load the ") + what + " " + path + ": " +
                    (reason ? reason : "unknown"));
  }
  void* function = dlsym(module, symbol);
  if (!function) throw Exception(std::string("the ") + what + " " + path + " has no function " + symbol);
  return function;
}
