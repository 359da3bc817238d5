#include "toolkit/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

#include "toolkit/exceptions.h"

TextFile::~TextFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool TextFile::Open(const std::string& path, NameMatch match) {
  path_ = match == NameMatch::IgnoreCase ? ResolveNameIgnoringCase(path) : path;
  // Only a regular file is a layer file: a device would never end and a FIFO
  // would block. The name is checked before opening, and the file opened is
  // checked again, in case the name was replaced in between; opening without
  // blocking keeps even that case from hanging.
  struct stat info;
  if (::stat(path_.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return false;
  if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) {
    size_ = info.st_size;
    return true;
  }
  ::close(fd_);
  fd_ = -1;
  return false;
}

void TextFile::ReadOnlyPart(int64_t begin, int64_t end) {
  if (::lseek(fd_, begin, SEEK_SET) != begin)
    throw Exception(std::string("cannot read the file: ") + std::strerror(errno));
  size_ = unread_ = end - begin;
}

int64_t TextFile::LineStartAfter(int64_t offset) const {
  char window[4096];
  for (; offset < size_;) {
    const ssize_t count = ::pread(fd_, window, sizeof window, offset);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) throw Exception(std::string("cannot read the file: ") + std::strerror(errno));
    if (count == 0) break;
    if (const void* found = std::memchr(window, '\n', static_cast<size_t>(count)))
      return std::min(size_, offset + (static_cast<const char*>(found) - window) + 1);
    offset += count;
  }
  return size_;
}

void TextFile::Refill() {
  if (len_ - pos_ > kPieceLength || exhausted_) return;
  std::memmove(buffer_, buffer_ + pos_, len_ - pos_);
  len_ -= pos_;
  pos_ = 0;
  while (len_ <= kPieceLength && !exhausted_) {
    const size_t room = static_cast<size_t>(std::min<int64_t>(sizeof buffer_ - len_, unread_));
    const ssize_t count = room > 0 ? ::read(fd_, buffer_ + len_, room) : 0;
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) throw Exception(std::string("cannot read the file: ") + std::strerror(errno));
    len_ += static_cast<size_t>(count);
    unread_ -= count;
    exhausted_ = count == 0;
  }
  FindZero();
}

void TextFile::FindZero() {
  const void* zero = std::memchr(buffer_ + pos_, '\0', len_ - pos_);
  zero_ = zero ? static_cast<size_t>(static_cast<const char*>(zero) - buffer_) : len_;
}

bool TextFile::NextOtherPiece(Piece& piece) {
  Refill();
  const size_t available = len_ - pos_;
  if (available == 0) return false;
  const char* text = buffer_ + pos_;
  // A line feed among the next 256 bytes ends the piece, if the piece then
  // holds at most 255 characters: a CR LF reads as one line feed.
  const size_t window = std::min(available, kPieceLength + 1);
  if (const void* found = std::memchr(text, '\n', window)) {  // the line feed of a CR LF is found too
    const size_t at = static_cast<size_t>(static_cast<const char*>(found) - text);
    const bool crLf = at > 0 && text[at - 1] == '\r';
    if (crLf || at < kPieceLength) {
      TakePiece(piece, crLf ? at - 1 : at, true, at + 1);
      return true;
    }
  }
  const size_t length = std::min(available, kPieceLength);
  TakePiece(piece, length, false, length);
  return true;
}

void TextFile::TakePiece(Piece& piece, size_t length, bool lineFeed, size_t bytes) {
  const bool zero = zero_ < pos_ + length;
  piece = {buffer_ + pos_, length, lineFeed, zero ? zero_ - pos_ : length + (lineFeed ? 1 : 0)};
  pos_ += bytes;
  lineEnded_ = lineFeed;
  if (zero_ < pos_) FindZero();
}

namespace {

bool EqualIgnoringCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return i == a.size() && !b[i];
}

}  // namespace

std::string ResolveNameIgnoringCase(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) return path;

  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = path.substr(folder.size());
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
  if (!dir) return path;
  std::string best;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (EqualIgnoringCase(name, entry->d_name) && (best.empty() || best > entry->d_name))
      best = entry->d_name;
  }
  return best.empty() ? path : folder + best;
}
