#pragma once

#include <string>
#include <vector>

// Each command takes the words after its name and returns the exit code:
// 0 done, 1 the map could not be read or the request not served, 2 wrong usage.

// info MAP.mif: loads the map and prints its counts, bounds and graph size.
int RunInfo(const std::vector<std::string>& args);

// Prints the usage of every command to standard error (or to standard output
// for --help).
void PrintUsage(bool toStandardOutput);
