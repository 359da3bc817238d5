#pragma once

#include <cstddef>
#include <string>

// How a file name is matched against the names in its folder.
enum class NameMatch {
  Exact,       // the name as given
  IgnoreCase,  // the name as given, else a name in the same folder equal to
               // it ignoring ASCII letter case
};

// A file read in text mode, the way the original platform's C run-time reads
// one: a carriage return followed by a line feed reads as a single line feed
// before anything is counted; every other byte reads as it is. Closed when
// the object goes, also when an exception leaves the reader.
class TextFile {
 public:
  TextFile() = default;
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Opens path for reading. False when it names no regular file that can be
  // opened: a missing file, a directory, a device, a FIFO or a socket (also
  // through a symbolic link) counts as a file that cannot be opened. Never
  // blocks, whatever path names.
  bool Open(const std::string& path, NameMatch match);

  // The path that Open opened (after any letter-case match).
  const std::string& Path() const { return path_; }

  // Reads like fgets: at most size - 1 characters into buffer, stopping
  // after a line feed, then a terminating zero. Returns false and leaves
  // buffer untouched when nothing more could be read. A failure of the
  // system's read (not the end of the file) raises Exception.
  bool ReadLine(char* buffer, int size);

  // The end-of-file indicator: set once a read has run into the end.
  bool AtEnd() const { return atEnd_; }

  // The physical line, counted from 1, that the last ReadLine read from (or,
  // before any, line 1). Every piece of a line longer than one read belongs
  // to that line; a CR LF pair ends one line.
  int LineNumber() const { return lineNumber_; }

 private:
  int NextByte();
  int NextChar();
  // Refills the chunk; false at the end of the file.
  bool FillChunk();

  int fd_ = -1;
  std::string path_;
  bool atEnd_ = false;
  int lineNumber_ = 1;
  bool lineEnded_ = false;  // the last piece read ended its line
  size_t chunkPos_ = 0;
  size_t chunkLen_ = 0;
  char chunk_[1 << 16];
};

// The name to open for path: path itself when it exists, else the first (in
// byte order) entry of its folder whose name equals path's name ignoring
// ASCII letter case, else path unchanged.
std::string ResolveNameIgnoringCase(const std::string& path);
