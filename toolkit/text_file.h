#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// How a file name is matched against the names in its folder.
enum class NameMatch {
  Exact,       // the name as given
  IgnoreCase,  // the name as given, else a name in the same folder equal to
               // it ignoring ASCII letter case
};

// A file read in text mode, the way the original platform's C run-time reads
// one with fgets into a 256-byte buffer: a carriage return followed by a line
// feed reads as a single line feed before anything is counted; every other
// byte reads as it is; a line arrives in pieces of at most 255 characters,
// its line feed included. Closed when the object goes, also when an
// exception leaves the reader.
class TextFile {
 public:
  // The longest piece, line feed included.
  static constexpr size_t kPieceLength = 255;

  // One piece of a line, in place in the file's buffer (valid until the next
  // read): its characters without the line feed, whether a line feed (read
  // as LF or CR LF) ended it, and what strlen gives for fgets's copy of it:
  // its length with the line feed, or, when it holds a zero byte, the
  // number of characters before that.
  struct Piece {
    const char* text;
    size_t length;
    bool lineFeed;
    size_t stringLength;
  };

  TextFile() = default;
  ~TextFile();
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Opens path for reading. False when it names no regular file that can be
  // opened: a missing file, a directory, a device, a FIFO or a socket (also
  // through a symbolic link) counts as a file that cannot be opened. Never
  // blocks, whatever path names.
  bool Open(const std::string& path, NameMatch match);

  // Makes the file read as only its bytes from begin up to end, as if they
  // were the whole file, from line 1. Where begin starts a line and end
  // follows a line feed (see LineStartAfter), its pieces are those a read
  // of the whole file gives there. Before the first read.
  void ReadOnlyPart(int64_t begin, int64_t end);

  // The offset just past the first line feed at or after offset, found
  // without moving the reading position; Size() when there is none. A
  // failure of the system's read raises Exception.
  int64_t LineStartAfter(int64_t offset) const;

  // The path that Open opened (after any letter-case match).
  const std::string& Path() const { return path_; }

  // The file's size in bytes when it was opened (of a part, the part's).
  int64_t Size() const { return size_; }

  // The next piece; false at the end of the file. A failure of the system's
  // read (not the end of the file) raises Exception. Inline for the common
  // piece, a whole line of at most 255 characters without a zero byte held
  // in the buffer: a load reads tens of millions of them.
  bool NextPiece(Piece& piece) {
    lineNumber_ += lineEnded_;
    lineEnded_ = false;
    if (len_ - pos_ > kPieceLength) {
      const char* text = buffer_ + pos_;
      if (const void* found = std::memchr(text, '\n', kPieceLength + 1)) {
        const size_t at = static_cast<size_t>(static_cast<const char*>(found) - text);
        const bool crLf = at > 0 && text[at - 1] == '\r';
        if ((crLf || at < kPieceLength) && zero_ > pos_ + at) {
          const size_t length = at - crLf;
          piece = {text, length, true, length + 1};
          pos_ += at + 1;
          lineEnded_ = true;
          return true;
        }
      }
    }
    return NextOtherPiece(piece);
  }

  // The bytes held ahead of the next piece, up to the first zero byte, when
  // they are more than a whole piece, else none (NextPiece then reads on).
  // A reader that knows the common lines of its file may take some from
  // their front with SkipLines rather than ask for each as a piece.
  std::string_view Ahead() const {
    const size_t end = std::min(len_, zero_);
    return end - pos_ > kPieceLength ? std::string_view(buffer_ + pos_, end - pos_) : std::string_view();
  }

  // Moves past the count lines at the front of Ahead() as NextPiece would
  // hand them out: bytes is their length with their line feeds (and the CR
  // of a CR LF); the caller has seen that each has fewer characters than a
  // piece.
  void SkipLines(size_t bytes, int count) {
    lineNumber_ += lineEnded_ + count - 1;
    lineEnded_ = true;
    pos_ += bytes;
  }

  // The physical line, counted from 1, that the last piece was read from
  // (or, before any, line 1). Every piece of a line longer than one piece
  // belongs to that line; a CR LF pair ends one line.
  int LineNumber() const { return lineNumber_; }

 private:
  // NextPiece for every piece its inline part does not take.
  bool NextOtherPiece(Piece& piece);
  // Makes a whole piece available at pos_: at least kPieceLength + 1 bytes
  // (a CR LF counts two), or everything left of the file.
  void Refill();
  // Finds the first zero byte at or after pos_ (len_ when there is none).
  void FindZero();
  // Hands out the length characters at pos_ as the next piece and moves
  // past its bytes (its CR LF counts two).
  void TakePiece(Piece& piece, size_t length, bool lineFeed, size_t bytes);

  int fd_ = -1;
  std::string path_;
  int64_t size_ = 0;
  bool exhausted_ = false;      // the system's read has reached the end
  int64_t unread_ = INT64_MAX;  // bytes the reads may still take: all, or a part's rest
  int lineNumber_ = 1;
  bool lineEnded_ = false;  // the last piece read ended its line
  size_t pos_ = 0;
  size_t len_ = 0;
  size_t zero_ = 0;  // the first zero byte at or after pos_, or len_: rare, so sought once a buffer
  char buffer_[(1 << 16) + kPieceLength + 1];
};

// The name to open for path: path itself when it exists, else the first (in
// byte order) entry of its folder whose name equals path's name ignoring
// ASCII letter case, else path unchanged.
std::string ResolveNameIgnoringCase(const std::string& path);
