#pragma once

// The function named symbol of a module of ruvel-route: a shared module
// that alone links a heavy library (GDAL for importing, Qt Gui for drawing),
// so that no other start of the program pays for loading it. A module lies
// beside the ruvel-route executable (the build folder) or, once installed,
// in ../lib/ruvel/ from it, and is opened on the first call for it and
// stays open. Raises Exception, naming the module by what (as "import
// module"), when the module or the function cannot be found.
void* ModuleFunction(const char* file, const char* what, const char* symbol);
