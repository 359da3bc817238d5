#pragma once

#include <string>

// Path functions. A folder ends at the last separator, which is "/" or "\",
// or at a drive prefix such as "C:" at the very start, so that paths written
// the Windows way split as they would there.

// The file name: everything after the folder.
std::string ExtractFileName(const std::string& path);

// The folder: everything up to and including its last separator; empty when
// the path has none.
std::string ExtractFilePath(const std::string& path);

// The extension of the file name, from its last dot, dot included; empty
// when the name has no dot. Dots in the folder never count.
std::string ExtractFileExt(const std::string& path);

// path without its extension (dot included); path itself when it has none.
std::string StripFileExt(const std::string& path);
