#pragma once

#include <cstddef>
#include <cstdio>
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

  // Opens path for reading. False when no such file can be opened.
  bool Open(const std::string& path, NameMatch match);

  // Reads like fgets: at most size - 1 characters into buffer, stopping
  // after a line feed, then a terminating zero. Returns false and leaves
  // buffer untouched when nothing more could be read.
  bool ReadLine(char* buffer, int size);

  // The end-of-file indicator: set once a read has run into the end.
  bool AtEnd() const { return atEnd_; }

 private:
  int NextByte();
  int NextChar();

  std::FILE* file_ = nullptr;
  bool atEnd_ = false;
  size_t chunkPos_ = 0;
  size_t chunkLen_ = 0;
  char chunk_[1 << 16];
};

// The name to open for path: path itself when it exists, else the first (in
// byte order) entry of its folder whose name equals path's name ignoring
// ASCII letter case, else path unchanged.
std::string ResolveNameIgnoringCase(const std::string& path);
