#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "map/dynamic_array.h"

// Text shared by reference count: copies share its characters, which
// nothing changes once made, so a table that grows copies no text. Empty
// text holds no block, and its handle is then zero bytes: a new table of
// records holding it needs no pass to construct them.
class SharedText {
 public:
  SharedText() = default;
  // text's characters in a block of their own from the heap.
  SharedText(std::string_view text) { Assign(text, nullptr); }
  SharedText(const std::string& text) : SharedText(std::string_view(text)) {}
  SharedText(const char* text) : SharedText(std::string_view(text)) {}
  // text's characters in a block carved from chunks: for the texts of a
  // load, millions of them, each costing no heap call.
  SharedText(std::string_view text, ArrayChunks& chunks) { Assign(text, &chunks); }

  std::string_view View() const {
    return chars_.Length() > 0 ? std::string_view(&chars_[0], static_cast<size_t>(chars_.Length()))
                               : std::string_view();
  }
  operator std::string_view() const { return View(); }
  bool empty() const { return chars_.Length() == 0; }

  friend bool operator==(const SharedText& a, std::string_view b) { return a.View() == b; }

 private:
  // A text is a line's part: far below the largest array.
  void Assign(std::string_view text, ArrayChunks* chunks) {
    const auto length = static_cast<int32_t>(text.size());
    if (chunks)
      chars_.SetLength(length, *chunks);
    else
      chars_.SetLength(length);
    if (length > 0) std::memcpy(&chars_[0], text.data(), text.size());
  }

  DynamicArray<char> chars_;
};

template <>
struct ZeroIsValueInitialized<SharedText> : std::true_type {};
static_assert(sizeof(SharedText) == sizeof(void*));
