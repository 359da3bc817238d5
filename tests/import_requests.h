#pragma once

#include <array>
#include <string>

#include "import/import_module.h"

// A quiet import request of source into the map whose M layer's .mif is
// mif, no other option given. The texts it points to live as long as it.
struct QuietRequest {
  QuietRequest(const std::string& sourcePath, const std::string& mif);
  QuietRequest(const QuietRequest&) = delete;
  QuietRequest& operator=(const QuietRequest&) = delete;

  std::string source;
  std::array<std::string, 6> outputs;
  RuvelImportRequest request;
};
