#pragma once

#include <string>

#include "import/import_module.h"

// The text of one of the request's text options; empty when it was not
// given.
inline std::string OptionText(const char* text) { return text ? text : ""; }
