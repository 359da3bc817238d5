#pragma once

#include <string>

// The files a program comes with and the files it is given.

// The path of the running executable; empty when it cannot be found.
std::string ExecutablePath();

// The folder of the running executable, with a trailing "/"; empty when it
// cannot be found.
std::string ExecutableFolder();

// Where something the program comes with lies, for a program in
// programFolder (empty or ending in a separator): name beside the program,
// as the build folder has it, when that exists; else installedPath, relative
// to the program's folder as an installation lays it out (bin/ beside
// lib/ruvel/ and share/ruvel/), without "." and ".." steps.
std::string ProgramFilePath(const std::string& programFolder, const std::string& name,
                            const std::string& installedPath);

// Raises Exception "cannot open PATH: REASON" unless path names a regular
// file (after following links): a missing file, a folder, a device or a
// FIFO is refused.
void CheckRegularFile(const std::string& path);
