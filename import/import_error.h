#pragma once

#include <stdexcept>
#include <string>

// A source that cannot be read, a request that cannot be served, or a
// network that does not fit a map: the message says which, for the user.
class ImportError : public std::runtime_error {
 public:
  explicit ImportError(const std::string& message) : std::runtime_error(message) {}
};

// A request that is wrong usage whatever the source: a value out of range,
// options that do not go together.
class ImportUsageError : public ImportError {
 public:
  explicit ImportUsageError(const std::string& message) : ImportError(message) {}
};

// The message of GDAL's last error, or fallback when it gave none.
std::string LastGdalError(const std::string& fallback);

// While it lives, GDAL keeps its errors to itself (no "ERROR 1: ..." on
// standard error): they reach the user once, in an ImportError's message.
class QuietGdalErrors {
 public:
  QuietGdalErrors();
  ~QuietGdalErrors();
  QuietGdalErrors(const QuietGdalErrors&) = delete;
  QuietGdalErrors& operator=(const QuietGdalErrors&) = delete;
};
