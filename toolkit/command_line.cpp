#include "toolkit/command_line.h"

#include <fstream>
#include <iterator>

#include "toolkit/program_files.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string GetCommandLineA() {
  const std::string program = ExecutablePath();
  const std::vector<std::string> arguments = ProcessArguments();
  return ComposeCommandLine(program, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
}

std::string ComposeCommandLine(const std::string& program, const std::vector<std::string>& arguments) {
  std::string commandLine = Quoted(program);
  for (const std::string& argument : arguments) {
    const bool needsQuotes = argument.empty() || argument.find(' ') != std::string::npos;
    commandLine += " " + (needsQuotes ? Quoted(argument) : argument);
  }
  return commandLine;
}

std::vector<std::string> ProcessArguments() {
  // The kernel keeps the arguments each followed by a zero byte.
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  for (size_t start = 0; start < all.size();) {
    const size_t end = all.find('\0', start);
    arguments.push_back(all.substr(start, end - start));
    start = end == std::string::npos ? all.size() : end + 1;
  }
  if (arguments.empty()) arguments.emplace_back();
  return arguments;
}
