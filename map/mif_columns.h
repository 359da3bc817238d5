#pragma once

#include <cstdint>
#include <string_view>

#include "map/line_tokens.h"

// The Columns block of a .mif file's header: a line "Columns N" and the N
// lines after it, each a column's name (its first word after any blanks)
// and type. Columns are numbered from 0 in the order they are declared; a
// later Columns line goes on numbering after the columns before it.
class ColumnsBlock {
 public:
  // Whether the line, whose first token (up to a blank) is firstToken,
  // belongs to the block: a Columns line, or one of the lines it declares,
  // whose name and number are given to declare(number, name). N counts
  // only when it is digits only and below 1,000,000; otherwise the line
  // declares no column.
  template <typename Declare>
  bool Take(std::string_view line, std::string_view firstToken, Declare declare) {
    if (left_ > 0) {
      declare(next_++, ColumnName(line));
      --left_;
      return true;
    }
    if (!SameWord(firstToken, "Columns")) return false;
    LineTokens tokens(line);
    tokens.Next(' ');
    left_ = DeclaredCount(tokens.Next(' '));
    return true;
  }

  // The columns declared so far.
  int32_t Count() const { return next_; }
  // Whether every line the Columns lines promised has come.
  bool Complete() const { return left_ == 0; }

 private:
  // The number of columns "Columns N" declares: N, when it is digits only
  // and below 1,000,000; else none.
  static int32_t DeclaredCount(std::string_view count);
  // The first word of a column line after its leading blanks; empty for a
  // blank line.
  static std::string_view ColumnName(std::string_view line);

  int32_t left_ = 0;  // column lines still to come
  int32_t next_ = 0;  // the number of the next column
};
