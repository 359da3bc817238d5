#pragma once

#include "map/load_progress.h"
#include "toolkit/exceptions.h"

// A load, graph build or indexing stopped because its LoadProgress asked it
// to; what it was building is dropped, what it had replaced stays.
class ELoadCancelled : public Exception {
 public:
  ELoadCancelled() : Exception("Loading the map was cancelled") {}
};

// Raises ELoadCancelled when progress asks to stop; nothing without one.
inline void CheckCancel(const LoadProgress* progress) {
  if (progress && progress->cancel.load(std::memory_order_relaxed)) throw ELoadCancelled();
}
