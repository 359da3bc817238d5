#pragma once

#include <string>
#include <vector>

// Raises ImportError unless source names an existing regular file or folder
// on this machine: a missing path is said not to exist; a FIFO, a device, a
// socket, a GDAL virtual path (/vsi...) or a URL is refused before GDAL sees
// it, and so is such a file beside it that shares its name before the
// first dot (a side file GDAL would open with it) or, for a folder, inside
// it.
void CheckSourcePath(const std::string& source);

// Raises ImportError when source is, or for a folder holds, a MapInfo
// table (.tab) that is not a plain native table: a view, a seamless table or
// any other that opens other tables points elsewhere, as a VRT does.
void CheckPlainTables(const std::string& source);

// The files beside source that share its name before the first dot
// (roads.shp: roads.dbf, roads.shx, ...), or, for a folder, the files in it.
std::vector<std::string> SourceSideFiles(const std::string& source);

// Raises ImportError when an existing file among outputs is one of
// sourceFiles (the same device and inode, whatever its name or link).
void CheckOutputsApart(const std::vector<std::string>& outputs, const std::vector<std::string>& sourceFiles,
                       const std::string& source);
