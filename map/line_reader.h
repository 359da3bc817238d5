#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "map/load_cancelled.h"
#include "map/load_progress.h"
#include "toolkit/exceptions.h"
#include "toolkit/paths.h"
#include "toolkit/text_file.h"

// What a reading thread reports and obeys: the load's progress (bytes read,
// cancel; none without a LoadProgress) and, for a layer read beside
// another, the request to give up because the other failed first.
class ReadControl {
 public:
  ReadControl(LoadProgress* progress, const std::atomic<bool>* abandon)
      : progress_(progress), abandon_(abandon) {}

  // Counts bytes read; about every megabyte, reports them and raises
  // ELoadCancelled when the load is cancelled or abandoned.
  void Advance(int64_t bytes) {
    unreported_ += bytes;
    if (unreported_ >= kStep) ReportAndCheck();
  }

  // Reports what is left of a file read to its end, so that the files'
  // sizes add up to the total.
  void FinishFile(const TextFile& file);

 private:
  static constexpr int64_t kStep = int64_t{1} << 20;

  // Reports the bytes counted, then raises ELoadCancelled when the load is
  // cancelled or abandoned.
  void ReportAndCheck();
  // Moves the bytes counted into the progress and the file's share.
  void Report();

  LoadProgress* progress_;
  const std::atomic<bool>* abandon_;
  int64_t unreported_ = 0;
  int64_t fileReported_ = 0;  // of the file being read; at most its size, as CR LF counts one
};

// Calls handle with every line of the file that has at least minLength
// characters as read, its line feed counted, without its line feed: in
// pieces of at most 255 characters, a longer line arriving as several, each
// cut at a zero byte as a C string would be. The lines are views into the
// file's buffer.
//
// Before each line, take is offered the file: it may read common lines at
// its front itself, from the bytes held ahead (TextFile::Ahead), when it
// knows each to be whole (fewer characters than a piece) and reads them as
// this loop and handle would. It moves past them with SkipLines before it
// acts on them, so that a fault names the line it came from, and gives
// their length with their line feeds; 0 leaves the next line to handle.
template <typename Take, typename Handle>
void ReadLines(TextFile& file, size_t minLength, ReadControl& control, Take take, Handle handle) {
  TextFile::Piece piece;
  for (;;) {
    if (const size_t taken = take(file)) {
      control.Advance(static_cast<int64_t>(taken));
      continue;
    }
    if (!file.NextPiece(piece)) break;
    if (piece.stringLength >= minLength)
      handle(std::string_view(piece.text, std::min(piece.length, piece.stringLength)));
    control.Advance(static_cast<int64_t>(piece.length) + piece.lineFeed);
  }
  control.FinishFile(file);
}

// ReadLines with every line left to handle.
template <typename Handle>
void ReadLines(TextFile& file, size_t minLength, ReadControl& control, Handle handle) {
  ReadLines(
      file, minLength, control, [](TextFile&) -> size_t { return 0; }, handle);
}

// Runs work on the file; an exception it raises leaves with the file's name
// and the number of the line reached in front of its message, and memory
// running out as EOutOfMemory, likewise placed. ELoadCancelled leaves as it
// is. The room for the out-of-memory message is taken before the work: by
// the time it is written, memory may have run out to the last byte.
template <typename Work>
void AtFileLine(const TextFile& file, Work work) {
  const std::string name = ExtractFileName(file.Path());
  std::string outOfMemory;
  outOfMemory.reserve(name.size() + 64);
  const auto where = [&] { return name + ", line " + std::to_string(file.LineNumber()) + ": "; };
  try {
    work();
    return;
  } catch (const ELoadCancelled&) {
    throw;
  } catch (const EOutOfMemory&) {
  } catch (const std::bad_alloc&) {
  } catch (Exception& e) {
    e.PrefixMessage(where());
    throw;
  }
  // A line number has at most 11 characters, which a string holds without allocating.
  outOfMemory.append(name).append(", line ").append(std::to_string(file.LineNumber()));
  throw EOutOfMemory(std::move(outOfMemory.append(": Out of memory for the map")));
}
