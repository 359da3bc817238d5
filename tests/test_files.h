#pragma once

#include <string>

// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Path of name inside the directory.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Writes content to path byte for byte, replacing any earlier file.
void WriteFile(const std::string& path, const std::string& content);

// The three-point, two-segment town used throughout the tests, as the four
// layer files' contents.
struct LayerTexts {
  std::string mMif, mMid, sMif, sMid;
};
LayerTexts ExampleTown();

// Writes the four layer texts as <dir>/M<base>.mif/.mid and S<base>.mif/.mid
// and returns the path of the M layer's .mif file. An empty text writes no
// file.
std::string WriteLayers(const TempDir& dir, const LayerTexts& layers, const std::string& base = "town");

// Result of running a shell command.
struct CommandResult {
  int exitCode;
  std::string out, err;
};
CommandResult RunCommand(const std::string& command);

// The lengths of the routes `ruvel-route route` printed in out, one a line
// ("unreachable" for none): what routes of equal weight share, whichever
// of them a search takes.
std::string RouteLengths(const std::string& out);

// The path of the ruvel-route program the tests run.
extern const std::string kRuvelRoute;

// Copies ruvel-route alone into dir/bin, where it finds no module beside it
// nor in dir/lib/ruvel; the command that runs the copy, quoted, with a
// blank after it.
std::string CompanionAlone(const TempDir& dir);

// The bytes of the file at path; empty when it cannot be read.
std::string ReadWhole(const std::string& path);
