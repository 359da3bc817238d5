#include "import/import_error.h"

#include <cpl_error.h>

std::string LastGdalError(const std::string& fallback) {
  const char* message = CPLGetLastErrorMsg();
  return message && *message ? std::string(message) : fallback;
}

QuietGdalErrors::QuietGdalErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }

QuietGdalErrors::~QuietGdalErrors() { CPLPopErrorHandler(); }
