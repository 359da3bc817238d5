#pragma once

#include <string>
#include <vector>

// The command line as a program started from the original platform's shell
// receives it: the absolute path of the running executable, then the
// arguments, composed by ComposeCommandLine.
std::string GetCommandLineA();

// program in double quotes, then each argument after a blank, itself in
// double quotes when it is empty or holds a blank.
std::string ComposeCommandLine(const std::string& program, const std::vector<std::string>& arguments);

// The process's arguments as it was started, argv[0] first; at least one.
std::vector<std::string> ProcessArguments();
