#include "map/mif_columns.h"

int32_t ColumnsBlock::DeclaredCount(std::string_view count) {
  int32_t n = 0;
  for (const char c : count) {
    if (c < '0' || c > '9' || n >= 100000) return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string_view ColumnsBlock::ColumnName(std::string_view line) {
  const size_t start = line.find_first_not_of(' ');
  return start == std::string_view::npos ? "" : LineTokens(line.substr(start)).Next(' ');
}
