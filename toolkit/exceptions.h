#pragma once

#include <cstdint>
#include <exception>
#include <string>

// The base of every exception the program and the toolkit raise. Event
// dispatch catches it and shows its message; nothing else is carried.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message);
  const char* what() const noexcept override { return message_.c_str(); }
  std::string Message() const { return message_; }

  // Puts where the failure happened in front of the message, for example
  // "Stown.mid, line 12: " before "'x' is not a valid integer value". The
  // exception keeps its class, so the caller can rethrow it as it is.
  void PrefixMessage(const std::string& prefix) { message_.insert(0, prefix); }

 private:
  std::string message_;
};

// Text that is not a whole decimal number in the signed 32-bit range.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Memory for a block could not be obtained.
class EOutOfMemory : public Exception {
 public:
  using Exception::Exception;
};

namespace System {

// The base of the dynamic array's exceptions.
class DynArrayException : public Exception {
 public:
  using Exception::Exception;
};

// An element access with an index outside [0, length).
class DynArrayOutOfRange : public DynArrayException {
 public:
  DynArrayOutOfRange(int32_t index, int32_t length);
  int32_t Index() const { return index_; }
  int32_t Length() const { return length_; }

 private:
  int32_t index_;
  int32_t length_;
};

}  // namespace System

using System::DynArrayException;
using System::DynArrayOutOfRange;
