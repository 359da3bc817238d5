#include "toolkit/program_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "toolkit/exceptions.h"

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? "" : program.string();
}

std::string ExecutableFolder() {
  const std::string program = ExecutablePath();
  return program.empty() ? "" : std::filesystem::path(program).parent_path().string() + "/";
}

std::string ProgramFilePath(const std::string& programFolder, const std::string& name,
                            const std::string& installedPath) {
  std::error_code error;
  if (std::filesystem::exists(programFolder + name, error)) return programFolder + name;
  return std::filesystem::path(programFolder + installedPath).lexically_normal().string();
}

void CheckRegularFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) throw Exception("cannot open " + path + ": " + std::strerror(errno));
  if (S_ISDIR(info.st_mode)) throw Exception("cannot open " + path + ": " + std::strerror(EISDIR));
  if (!S_ISREG(info.st_mode)) throw Exception("cannot open " + path + ": not a regular file");
}
