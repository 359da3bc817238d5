#pragma once

#include <atomic>
#include <cstdint>

// What a map load running on a worker thread tells the window, and the
// window's request to stop it. The worker writes the counters and the
// phase; any thread may read them and set cancel at any time.
struct LoadProgress {
  // A load waits for an import writing the map, reads the M and S layers,
  // then the T layer (a map without one skips that phase), builds the graph
  // and indexes the map; a rebuild only builds the graph.
  enum Phase : int {
    kReading = 0,
    kBuildingGraph = 1,
    kIndexing = 2,
    kWaitingForImport = 3,
    kReadingRestrictions = 4
  };

  // Bytes of the layer files read so far, of totalBytes (their sizes once
  // all are open; 0 before).
  std::atomic<int64_t> bytesRead{0};
  std::atomic<int64_t> totalBytes{0};
  std::atomic<int> phase{kReading};
  // Set to ask the load to stop; it then raises ELoadCancelled at its next
  // check, leaving the store to be cleared by the caller.
  std::atomic<bool> cancel{false};

  // Whether the phase is one of reading the layer files, whose share done
  // the bytes read tell.
  static bool IsReading(int phase) { return phase == kReading || phase == kReadingRestrictions; }
};
