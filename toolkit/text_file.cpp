#include "toolkit/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
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
  if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) return true;
  ::close(fd_);
  fd_ = -1;
  return false;
}

bool TextFile::FillChunk() {
  chunkPos_ = 0;
  chunkLen_ = 0;
  if (atEnd_) return false;
  ssize_t count;
  do {
    count = ::read(fd_, chunk_, sizeof chunk_);
  } while (count < 0 && errno == EINTR);
  if (count < 0) throw Exception(std::string("cannot read the file: ") + std::strerror(errno));
  chunkLen_ = static_cast<size_t>(count);
  atEnd_ = count == 0;
  return !atEnd_;
}

// The next raw byte, or EOF; sets the end indicator when it runs out.
int TextFile::NextByte() {
  if (chunkPos_ == chunkLen_ && !FillChunk()) return EOF;
  return static_cast<unsigned char>(chunk_[chunkPos_++]);
}

// The next character as text mode reads it: CR LF becomes LF.
int TextFile::NextChar() {
  const int c = NextByte();
  if (c != '\r') return c;
  const int next = NextByte();
  if (next == '\n') return '\n';
  if (next != EOF) --chunkPos_;  // a lone CR stays; the byte after it is read again
  return '\r';
}

bool TextFile::ReadLine(char* buffer, int size) {
  if (lineEnded_) ++lineNumber_;
  lineEnded_ = false;
  int count = 0;
  while (count < size - 1) {
    // Copy plain bytes straight from the chunk; a carriage return, the end
    // of the chunk and the line feed take the careful path below.
    while (count < size - 1 && chunkPos_ < chunkLen_) {
      const char c = chunk_[chunkPos_];
      if (c == '\r' || c == '\n') break;
      buffer[count++] = c;
      ++chunkPos_;
    }
    if (count == size - 1) break;
    const int c = NextChar();
    if (c == EOF) break;
    buffer[count++] = static_cast<char>(c);
    if (c == '\n') {
      lineEnded_ = true;
      break;
    }
  }
  if (count == 0) return false;
  buffer[count] = '\0';
  return true;
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
