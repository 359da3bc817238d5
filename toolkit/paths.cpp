#include "toolkit/paths.h"

namespace {

// Index of the first character of the file name within path.
size_t NameStart(const std::string& path) {
  const size_t separator = path.find_last_of("/\\");
  if (separator != std::string::npos) return separator + 1;
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive ? 2 : 0;
}

}  // namespace

std::string ExtractFileName(const std::string& path) { return path.substr(NameStart(path)); }

std::string ExtractFilePath(const std::string& path) { return path.substr(0, NameStart(path)); }

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string StripFileExt(const std::string& path) {
  return path.substr(0, path.size() - ExtractFileExt(path).size());
}
