// The loader against the plain transcription it was made fast from, on
// thousands of random four-file maps: long lines, CR LF, doubled blanks,
// surplus rows and bad numbers. Both must leave the same store, the same
// graph, and raise the same exception with the same message.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "tests/load_result.h"
#include "tests/reference_loader.h"
#include "tests/store_setup.h"
#include "tests/test_files.h"
#include "toolkit/exceptions.h"

namespace {

// Random layer texts, mostly well formed, with every kind of oddity now and
// then.
class MapWriter {
 public:
  explicit MapWriter(uint32_t seed) : random_(seed) {}

  LayerTexts Write() {
    crlf_ = Chance(4);
    lines_ = Pick(0, 40);
    LayerTexts t;
    t.mMif = File(Pick(0, lines_), [this] { return PointLine(); });
    t.mMid = File(Rows(t.mMif, "Point "), [this] { return PointRow(); });
    t.sMif = File(Pick(0, lines_), [this] { return SegmentLine(); });
    t.sMid = File(Rows(t.sMif, "Pline "), [this] { return SegmentRow(); });
    return t;
  }

 private:
  int32_t Pick(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(random_); }
  bool Chance(int32_t oneIn) { return Pick(1, oneIn) == 1; }

  std::string Number() {
    switch (Pick(0, 40)) {
      case 0:
        return "2147483647";
      case 1:
        return "-2147483648";
      case 2:
        return "+" + std::to_string(Pick(0, 99));
      case 3:
        return "007";
      case 4:
        return Chance(8) ? "2147483648" : "-0";
      case 5:
        return Chance(8) ? "1.5" : "12";
      case 6:
        return Chance(8) ? "" : "3";
      case 7:
        return Chance(8) ? "x" + std::to_string(Pick(0, 9)) : "4";
      case 8:
        return Chance(8) ? std::string(45, '9') : "99";
      case 9:
      case 10: {  // one to ten digits, as coordinates in large units have
        std::string digits = Chance(3) ? "-" : "";
        for (int32_t n = Pick(1, 10); n > 0; --n) digits += static_cast<char>('0' + Pick(0, 9));
        return digits;
      }
      default:
        return std::to_string(Pick(-60, 60));
    }
  }
  // A length near the 255 characters of a piece, or of two.
  int32_t LongLength() {
    const int32_t edge = Chance(2) ? 255 : 510;
    return Chance(4) ? Pick(240, 600) : edge + Pick(-3, 2);
  }
  // head, blanks, then tail starting near where a piece of 255 characters
  // ends (or two do), so that the tail is cut or read as a line of its own.
  std::string Long(const std::string& head, const std::string& tail) {
    const int32_t tailStart = std::max<int32_t>(LongLength(), static_cast<int32_t>(head.size()) + 1);
    return head + std::string(tailStart - head.size(), ' ') + tail;
  }
  std::string Small() { return std::to_string(Pick(0, 9)); }
  std::string Blank() { return Chance(60) ? "  " : " "; }
  std::string Comma() { return Chance(60) ? ",," : ","; }
  std::string Text() {
    static const char* const kTexts[] = {"Gate", "\"Mill, old\"", "", "a,b,,c", "x\ty", "Ford\r"};
    return kTexts[Pick(0, 5)];
  }
  std::string Oddity() {
    switch (Pick(0, 9)) {
      case 0:
        return "";
      case 1:
        return "Data";
      case 2:
        return "    Symbol (35,0,12)";
      case 3:
        return "1 2";
      case 4:
        return std::string(LongLength(), Chance(2) ? ' ' : '7') + (Chance(3) ? "\r" : "");
      case 5: {
        // A zero byte ends the line as a C string, just below or at a minimum.
        static const std::string kZeroes[] = {std::string("Po\0int 1 2", 10), std::string("1 2\0 9", 6),
                                              std::string("1,Ga\0x", 6), std::string("1,2,3\0", 6)};
        return kZeroes[Pick(0, 3)];
      }
      case 6:
        return "a\rb";
      case 7:
        return "Poin";
      case 8:
        return "Version 300";
      default:
        return "12345";
    }
  }

  std::string PointLine() {
    if (Chance(6)) return Oddity();
    if (Chance(10)) return Long("Point " + Number() + " " + Number(), "Point " + Number() + " 2");
    const std::string word = Chance(30) ? (Chance(2) ? "point" : "Pointer") : "Point";
    return word + " " + Number() + Blank() + Number() + (Chance(5) ? " extra" : "");
  }
  std::string PointRow() {
    if (Chance(8)) return Oddity();
    if (Chance(10)) return Long("1,Gate", Small() + ",Mill");
    if (Chance(10)) return Small() + "," + Small();
    return (Chance(15) ? Number() : std::to_string(Pick(1, 30))) + (Chance(20) ? "" : "," + Text());
  }
  std::string SegmentLine() {
    if (Chance(8)) return Oddity();
    if (Chance(10)) return Long(Chance(2) ? "Pline 1" : "1 2", Chance(2) ? "Pline 1" : "3 4");
    if (Chance(4)) return "Pline " + (Chance(15) ? Number() : Small());
    if (Chance(6)) return "    Pen (1,2,0)";
    return (Chance(20) ? std::string(Chance(2) ? " " : "") + "Pen" : Number()) + Blank() + Number();
  }
  std::string SegmentRow() {
    if (Chance(8)) return Oddity();
    if (Chance(10)) return Long("1,2,3", "2,3,4");
    if (Chance(10)) return Small() + "," + Small();
    return std::to_string(Pick(0, 30)) + Comma() + std::to_string(Pick(0, 30)) + "," +
           (Chance(10) ? Number() : std::to_string(Pick(0, 500))) + (Chance(5) ? ",extra,," : "");
  }

  // About as many rows as the geometry has objects: now and then fewer,
  // rarely one too many.
  int32_t Rows(const std::string& geometry, const std::string& word) {
    int32_t objects = 0;
    for (size_t at = geometry.find(word); at != std::string::npos; at = geometry.find(word, at + 1))
      ++objects;
    if (Chance(5)) return Pick(0, objects);
    return objects + (Chance(10) ? 1 : 0);
  }

  template <typename Line>
  std::string File(int32_t count, Line line) {
    if (Chance(12)) return "";  // no such file
    std::string text;
    for (int32_t i = 0; i < count; ++i) {
      text += line();
      if (i + 1 < count || !Chance(4)) text += crlf_ ? "\r\n" : "\n";
    }
    return text;
  }

  std::mt19937 random_;
  bool crlf_ = false;
  int32_t lines_ = 0;
};

}  // namespace

TEST(LoaderEquivalence, MatchesThePlainTranscriptionOnRandomMaps) {
  TempDir dir;
  int failures = 0;
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    const LayerTexts texts = MapWriter(seed).Write();
    const std::string path = WriteLayers(dir, texts, "map" + std::to_string(seed));
    const LoadResult expected = RunLoad(path, ReferenceLoadMapLayers);
    // The S layer's rows read whole, or in parts down to a line each.
    const int64_t rowPartBytes = seed % 3 == 0 ? kSegmentRowPartBytes : seed % 3 * 7 - 6;
    const LoadResult actual = RunLoad(
        path, [rowPartBytes](const std::string& file) { LoadMapLayers(file, nullptr, rowPartBytes); });
    failures += expected.failure.empty() ? 0 : 1;
    ASSERT_EQ(actual.failure, expected.failure) << "seed " << seed;
    ASSERT_EQ(actual, expected) << "seed " << seed;
  }
  ClearMapStore();
  // Both outcomes are well represented.
  EXPECT_GT(failures, 300);
  EXPECT_LT(failures, 2700);
}

// Where a reader's buffer ends: a line straddling the end of one read.
// Each probe line is placed, by filler lines before it, so that its line
// feed or its start falls at or next to a read's end (64 KiB, or 64 KiB +
// 256 as the reader's first read ends), in each of the four files: a number cut in two, a CR LF cut between
// its bytes, a line of exactly 255 characters, a last line without a line feed, and a fault in that file
// while another layer has one too.
TEST(LoaderEquivalence, MatchesThePlainTranscriptionAcrossReads) {
  const std::string probes[] = {"Point 1234567 -7654321\n", "1234567 7654321\r\n",
                                std::string(255, '7') + "\n", "12,34,56", "12,x4,56\n"};
  const LayerTexts base = ExampleTown();
  TempDir dir;
  int32_t run = 0;
  for (int file = 0; file < 4; ++file) {
    for (const std::string& probe : probes) {
      for (int32_t end : {65536, 65792}) {
        // The probe's line feed, then its start, at the read's end and around it.
        const int32_t length = static_cast<int32_t>(probe.size());
        for (int32_t at = end - length - 2; at <= end + 1;
             at = at == end - length + 2 ? std::max(end - 12, at + 1) : at + 1) {
          LayerTexts texts = base;
          std::string* target[] = {&texts.mMif, &texts.mMid, &texts.sMif, &texts.sMid};
          // Lines that count in no file (a zero byte first), up to where the
          // probe is to begin.
          const int32_t fill = std::max<int32_t>(at - static_cast<int32_t>(target[file]->size()), 0);
          std::string filler;
          for (int32_t left = fill; left > 0; left -= std::min(left, 200)) {
            const int32_t line = std::min(left, 200);
            filler += (line > 1 ? std::string(1, '\0') + std::string(line - 2, 'f') : "") + "\n";
          }
          *target[file] = filler + *target[file] + probe;
          if (file < 2) texts.sMid += "1,2,x\n";  // and a fault in the S layer too
          const std::string path = WriteLayers(dir, texts, "b" + std::to_string(run++));
          const LoadResult expected = RunLoad(path, ReferenceLoadMapLayers);
          const LoadResult actual = RunLoad(path, [](const std::string& f) { LoadMapLayers(f); });
          ASSERT_EQ(actual, expected) << "file " << file << " probe " << probe.size() << " at " << at;
        }
      }
    }
  }
  ClearMapStore();
}
