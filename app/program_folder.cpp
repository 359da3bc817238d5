#include "app/program_folder.h"

std::string programFolder;

std::string ProgramFolder(const std::string& commandLine) {
  std::string path = commandLine;
  if (!path.empty() && path[0] == '"') {
    path.erase(0, 1);
    path = path.substr(0, path.find('"'));
  } else {
    path = path.substr(0, path.find(' '));
  }
  const size_t separator = path.find_last_of("/\\");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}
