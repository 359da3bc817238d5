#include "toolkit/text_file.h"

#include <gtest/gtest.h>

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
