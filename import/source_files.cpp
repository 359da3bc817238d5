#include "import/source_files.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "import/import_error.h"
#include "import/safe_text.h"

namespace {

// How much of a .tab file is read to tell its kind: its header.
constexpr size_t kLongestTableHeader = 65536;

// Whether text begins like a URL: a scheme of letters, digits, '+', '-' or
// '.', then "://".
bool LooksLikeUrl(const std::string& text) {
  const size_t colon = text.find("://");
  if (colon == std::string::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.')) return false;
  }
  return true;
}

// Whether the file is a regular file or a folder, the only kinds read.
bool IsFileOrFolder(const struct stat& info) { return S_ISREG(info.st_mode) || S_ISDIR(info.st_mode); }

// The part of a file name before its first dot (the whole name without one).
std::string Stem(const std::string& name) { return name.substr(0, name.find('.')); }

// Whether name ends in .tab, in any letter case.
bool IsTableName(const std::string& name) {
  std::string ending = name.size() >= 4 ? name.substr(name.size() - 4) : "";
  for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ending == ".tab";
}

// Whether the .tab file at path describes a plain native table: its
// header, lower-cased, declares one and opens no other table.
bool IsPlainTable(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string header(kLongestTableHeader, '\0');
  in.read(header.data(), static_cast<std::streamsize>(header.size()));
  header.resize(static_cast<size_t>(in.gcount()));
  for (char& c : header) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto has = [&header](const char* text) { return header.find(text) != std::string::npos; };
  return has("definition table") && has("type native") && !has("open table") && !has("create view") &&
         !has("isseamless");
}

}  // namespace

void CheckPlainTables(const std::string& source) {
  std::vector<std::string> tables;
  if (std::filesystem::is_directory(source)) {
    tables = SourceSideFiles(source);
  } else {
    tables.push_back(source);
  }
  for (const std::string& table : tables) {
    if (IsTableName(table) && !IsPlainTable(table))
      throw ImportError(PrintableText(table) +
                        " points elsewhere: a MapInfo view or seamless table opens other tables, and only "
                        "plain tables are read");
  }
}

std::vector<std::string> SourceSideFiles(const std::string& source) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path path(source);
  std::vector<std::string> files;
  if (fs::is_directory(path, error)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error))
      files.push_back(entry.path().string());
    return files;
  }
  const std::string stem = Stem(path.filename().string());
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name != path.filename().string() && Stem(name) == stem) files.push_back(entry.path().string());
  }
  return files;
}

void CheckSourcePath(const std::string& source) {
  const std::string shown = PrintableText(source);
  if (source.rfind("/vsi", 0) == 0 || LooksLikeUrl(source))
    throw ImportError(shown + ": only files and folders on this machine are read");
  struct stat info {};
  if (::stat(source.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) throw ImportError(shown + " does not exist");
    throw ImportError("cannot open " + shown + ": " + std::strerror(errno));
  }
  if (!IsFileOrFolder(info)) throw ImportError(shown + " is neither a regular file nor a folder");
  for (const std::string& side : SourceSideFiles(source)) {
    struct stat sideInfo {};
    if (::stat(side.c_str(), &sideInfo) == 0 && !IsFileOrFolder(sideInfo))
      throw ImportError(PrintableText(side) + ", beside the source, is neither a regular file nor a folder");
  }
}

void CheckOutputsApart(const std::vector<std::string>& outputs, const std::vector<std::string>& sourceFiles,
                       const std::string& source) {
  for (const std::string& output : outputs) {
    struct stat out {};
    if (::stat(output.c_str(), &out) != 0) continue;
    for (const std::string& file : sourceFiles) {
      struct stat in {};
      if (::stat(file.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
        throw ImportError(PrintableText(output) + " is a file of the source " + PrintableText(source) +
                          ": the map must be written elsewhere");
    }
  }
}
