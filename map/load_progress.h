#pragma once

#include <atomic>
#include <cstdint>

// What a map load running on a worker thread tells the window, and the
// window's request to stop it. The worker writes the counters and the
// phase; any thread may read them and set cancel at any time.
struct LoadProgress {
  enum Phase : int { kReading = 0, kBuildingGraph = 1, kIndexing = 2, kWaitingForImport = 3 };

  // Bytes of the four layer files read so far, of totalBytes (their sizes
  // once all four are open; 0 before).
  std::atomic<int64_t> bytesRead{0};
  std::atomic<int64_t> totalBytes{0};
  std::atomic<int> phase{kReading};
  // Set to ask the load to stop; it then raises ELoadCancelled at its next
  // check, leaving the store to be cleared by the caller.
  std::atomic<bool> cancel{false};
};
