#pragma once

#include <string>

// The folder of the program path at the start of a command line, up to and
// including its last separator ("/" or "\"); empty when it has none. A
// command line starting with a double quote has the program path up to the
// next double quote (or to its end, without one); any other ends the program
// path at its first blank. The rest of the command line is ignored.
std::string ProgramFolder(const std::string& commandLine);

// The program folder as FormCreate worked it out; empty before.
extern std::string programFolder;
