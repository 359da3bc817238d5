#include "toolkit/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/test_files.h"

namespace {

// Every piece of content as fgets with a 256-byte buffer gives it: the
// piece's characters and its line feed.
std::vector<std::string> Pieces(const std::string& content) {
  TempDir dir;
  WriteFile(dir / "f.txt", content);
  TextFile file;
  EXPECT_TRUE(file.Open(dir / "f.txt", NameMatch::Exact));
  std::vector<std::string> pieces;
  TextFile::Piece piece;
  while (file.NextPiece(piece))
    pieces.push_back(std::string(piece.text, piece.length) + (piece.lineFeed ? "\n" : ""));
  return pieces;
}

// 65,535 letters fill 257 pieces; the CR LF that straddles the file's first
// 64 KiB read is one line feed.
std::vector<std::string> ChunkEndPieces() {
  std::vector<std::string> pieces(257, std::string(255, 'a'));
  pieces.push_back("\n");
  pieces.push_back("b");
  return pieces;
}

}  // namespace

TEST(TextFile, ReadsLikeTextModeFgets) {
  const std::string crlfAtChunkEnd = std::string(65535, 'a') + "\r\nb";
  const struct {
    const char* name;
    std::string content;
    std::vector<std::string> pieces;
  } cases[] = {
      {"line feeds", "ab\ncd\n", {"ab\n", "cd\n"}},
      {"CR LF reads as LF", "ab\r\ncd\r\n", {"ab\n", "cd\n"}},
      {"a lone CR stays", "a\rb\r\r\n\r", {"a\rb\r\n", "\r"}},
      {"no final line feed", "ab\ncd", {"ab\n", "cd"}},
      {"empty file", "", {}},
      {"255-character pieces",
       std::string(300, 'x') + "\n",
       {std::string(255, 'x'), std::string(45, 'x') + "\n"}},
      {"CR LF counted once in a piece", std::string(254, 'x') + "\r\n", {std::string(254, 'x') + "\n"}},
      {"CR LF across the read chunk", crlfAtChunkEnd, ChunkEndPieces()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Pieces(c.content), c.pieces);
  }
}

TEST(TextFile, DerivedNamesMatchIgnoringCase) {
  TempDir dir;
  WriteFile(dir / "STOWN.MIF", "x");
  WriteFile(dir / "Stown.Mif", "y");
  EXPECT_EQ(ResolveNameIgnoringCase(dir / "stown.mif"), dir / "STOWN.MIF");  // first in byte order
  EXPECT_EQ(ResolveNameIgnoringCase(dir / "Stown.Mif"), dir / "Stown.Mif");  // an exact name wins
  EXPECT_EQ(ResolveNameIgnoringCase(dir / "Stown.mid"), dir / "Stown.mid");  // nothing matches
  TextFile exact, folded;
  EXPECT_FALSE(exact.Open(dir / "stown.mif", NameMatch::Exact));
  EXPECT_TRUE(folded.Open(dir / "stown.mif", NameMatch::IgnoreCase));
}

namespace {

// A piece as the reader hands it out, with the line it was read from.
struct SeenPiece {
  std::string text;
  bool lineFeed;
  size_t stringLength;
  int line;
  bool operator==(const SeenPiece& o) const {
    return text == o.text && lineFeed == o.lineFeed && stringLength == o.stringLength && line == o.line;
  }
};

// With partBytes, the file is read in parts of about that size cut at line
// starts, each by a reader of its own, its line numbers carried on from the
// parts before.
std::vector<SeenPiece> ReadPieces(const std::string& content, int64_t partBytes = 0) {
  TempDir dir;
  WriteFile(dir / "f.txt", content);
  TextFile whole;
  EXPECT_TRUE(whole.Open(dir / "f.txt", NameMatch::Exact));
  std::vector<int64_t> starts{0};
  while (starts.back() < whole.Size())
    starts.push_back(partBytes > 0
                         ? whole.LineStartAfter(std::min(whole.Size(), starts.back() + partBytes - 1))
                         : whole.Size());
  std::vector<SeenPiece> pieces;
  int linesBefore = 0;
  for (size_t k = 0; k + 1 < starts.size(); ++k) {
    TextFile file;
    EXPECT_TRUE(file.Open(dir / "f.txt", NameMatch::Exact));
    if (partBytes > 0) file.ReadOnlyPart(starts[k], starts[k + 1]);
    TextFile::Piece piece;
    int ended = 0;
    while (file.NextPiece(piece)) {
      pieces.push_back({std::string(piece.text, piece.length), piece.lineFeed, piece.stringLength,
                        linesBefore + file.LineNumber()});
      ended += piece.lineFeed;
    }
    linesBefore += ended;
  }
  return pieces;
}

// The same pieces, the plain way: CR LF made LF first, then fgets's cuts
// after a line feed or 255 characters, and strlen of each cut.
std::vector<SeenPiece> ModelPieces(const std::string& content) {
  std::string text;
  for (size_t i = 0; i < content.size(); ++i)
    if (!(content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n')) text += content[i];
  std::vector<SeenPiece> pieces;
  int line = 1;
  for (size_t pos = 0; pos < text.size();) {
    const size_t cut = std::min(text.size(), pos + 255);
    const size_t lineFeed = text.find('\n', pos);
    const size_t end = lineFeed < cut ? lineFeed + 1 : cut;
    const std::string chars = text.substr(pos, end - pos);
    const bool ended = chars.back() == '\n';
    pieces.push_back({ended ? chars.substr(0, chars.size() - 1) : chars, ended,
                      std::min(chars.find('\0'), chars.size()), line});
    line += ended;
    pos = end;
  }
  return pieces;
}

}  // namespace

// Random texts of short and long lines, CR, CR LF, zero bytes and a missing
// final line feed, across several of the reader's buffers, read whole and
// in parts.
TEST(TextFile, PiecesMatchAPlainModelOnRandomText) {
  std::mt19937 random(24);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    std::string content;
    const size_t size = std::uniform_int_distribution<size_t>(0, 200000)(random);
    while (content.size() < size) {
      const int kind = std::uniform_int_distribution<int>(0, 99)(random);
      if (kind < 6) {
        content += "\r\n";
      } else if (kind < 12) {
        content += '\n';
      } else if (kind < 14) {
        content += '\r';
      } else if (kind < 15) {
        content += '\0';
      } else if (kind < 16) {
        content += std::string(std::uniform_int_distribution<size_t>(250, 520)(random), 'L');
      } else {
        content += static_cast<char>('a' + kind % 26);
      }
    }
    const std::vector<SeenPiece> model = ModelPieces(content);
    EXPECT_TRUE(ReadPieces(content) == model);
    // Read in parts, as a layer's rows are: the same pieces.
    EXPECT_TRUE(ReadPieces(content, std::uniform_int_distribution<int64_t>(1, 70000)(random)) == model);
  }
}
