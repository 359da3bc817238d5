#include "toolkit/exceptions.h"

#include <utility>

Exception::Exception(std::string message) : message_(std::move(message)) {}

namespace System {

DynArrayOutOfRange::DynArrayOutOfRange(int32_t index, int32_t length)
    : DynArrayException("Index " + std::to_string(index) + " out of range (length " + std::to_string(length) +
                        ")"),
      index_(index),
      length_(length) {}

}  // namespace System
