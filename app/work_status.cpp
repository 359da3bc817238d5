#include "app/work_status.h"

#include <algorithm>

#include "toolkit/controls.h"

int WorkPercent(const LoadProgress& progress) {
  if (!LoadProgress::IsReading(progress.phase)) return TStatusBar::kBusy;
  const int64_t total = progress.totalBytes;
  if (total <= 0) return 0;
  return static_cast<int>(std::clamp<int64_t>(progress.bytesRead * 100 / total, 0, 100));
}

std::string WorkStatusText(const LoadProgress& progress, const std::string& name) {
  switch (progress.phase) {
    case LoadProgress::kBuildingGraph:
      return "Building the road graph";
    case LoadProgress::kIndexing:
      return "Indexing the map";
    case LoadProgress::kWaitingForImport:
      return "Waiting for an import of " + name;
    case LoadProgress::kReadingRestrictions:
      return "Reading the turn restrictions: " + std::to_string(WorkPercent(progress)) + "%";
    default:
      return "Opening " + name + ": " + std::to_string(WorkPercent(progress)) + "%";
  }
}
