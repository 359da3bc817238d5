#pragma once

#include <string>

// The function named symbol of the import module, which alone links GDAL
// and lies beside the ruvel-route executable (the build folder) or, once
// installed, in ../lib/ruvel/ from it; the module is opened on the
// first call and stays open. Raises Exception when the module or the
// function cannot be found.
void* ImportModuleFunction(const char* symbol);

// The path the import module is opened from.
std::string ImportModulePath();
