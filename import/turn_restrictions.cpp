#include "import/turn_restrictions.h"

std::string RestrictionLine(const RestrictionRow& row) {
  std::string ways;
  for (const int32_t segment : row.ways) ways += (ways.empty() ? "" : " ") + std::to_string(segment);
  return "\"" + row.rule + "\",\"" + (row.only ? "only" : "no") + "\"," + std::to_string(row.from) + "," +
         std::to_string(row.to) + "," + std::to_string(row.via) + ",\"" + ways + "\"";
}
