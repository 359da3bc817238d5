#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Texts by index, all in one block of characters: a name for each of
// millions of segments costs no allocation of its own.
class NameTable {
 public:
  // count empty texts.
  void Assign(size_t count) {
    clear();
    Resize(count);
  }

  // count texts: the first ones as they are, any new ones empty.
  void Resize(size_t count) {
    start_.resize(count, 0);
    length_.resize(count, 0);
  }
  void clear() {
    Resize(0);
    chars_.clear();
  }

  // Sets text i; each index is set once at most.
  void Set(size_t i, std::string_view text) {
    start_[i] = chars_.size();
    length_[i] = static_cast<uint32_t>(text.size());
    chars_.append(text);
  }

  std::string_view operator[](size_t i) const {
    return std::string_view(chars_).substr(start_[i], length_[i]);
  }
  size_t size() const { return start_.size(); }
  bool empty() const { return start_.empty(); }

 private:
  std::vector<size_t> start_;
  std::vector<uint32_t> length_;
  std::string chars_;
};
