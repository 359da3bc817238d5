#include "bench/capacity_map.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

constexpr int kPoints = 99999;
constexpr int kSegments = 50000;
constexpr int kColumns = 400;  // 250 rows, the last one partly filled
constexpr int kSpacing = 100;

struct Position {
  int x, y;
};

Position GridPosition(int index, std::mt19937& random) {
  std::uniform_int_distribution<int> jitter(-30, 30);
  return {450000 + (index % kColumns) * kSpacing + jitter(random),
          5200000 + (index / kColumns) * kSpacing + jitter(random)};
}

// The class of the roads along a grid row.
const char* RowClass(int row) { return row % 25 == 0 ? "primary" : row % 5 == 0 ? "tertiary" : "minor"; }

}  // namespace

std::string WriteCapacityMap(const std::string& folder, bool classes) {
  std::mt19937 random(7);
  std::ofstream mMif(folder + "/Mcap.mif"), mMid(folder + "/Mcap.mid");
  std::ofstream sMif(folder + "/Scap.mif"), sMid(folder + "/Scap.mid");
  mMif << "Version 300\nCharset \"Neutral\"\nColumns 2\n  Code Integer\n  Name Char(20)\nData\n\n";
  sMif << "Version 300\nColumns " << (classes ? 4 : 3) << "\n  From Integer\n  To Integer\n  Length Integer\n"
       << (classes ? "  Class Char(10)\n" : "") << "Data\n\n";

  std::vector<Position> at(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    at[i] = GridPosition(i, random);
    mMif << "Point " << at[i].x << ' ' << at[i].y << "\n    Symbol (35,0,12)\n";
    mMid << i + 1 << ",\"Junction " << i + 1 << "\"\n";
  }
  // Segments run east from every grid point until there are enough of them,
  // each with two bends between its ends.
  int written = 0;
  for (int i = 0; written < kSegments; ++i) {
    if (i % kColumns == kColumns - 1) continue;
    const Position a = at[i], b = at[i + 1];
    sMif << "Pline 4\n"
         << a.x << ' ' << a.y << '\n'
         << a.x + (b.x - a.x) / 3 << ' ' << a.y + 7 << '\n'
         << a.x + 2 * (b.x - a.x) / 3 << ' ' << b.y - 7 << '\n'
         << b.x << ' ' << b.y << "\n    Pen (1,2,0)\n";
    sMid << i + 1 << ',' << i + 2 << ',' << b.x - a.x + 10;
    if (classes) sMid << ',' << RowClass(i / kColumns);
    sMid << '\n';
    ++written;
  }
  return folder + "/Mcap.mif";
}

namespace {

// A new folder under /tmp, removed with everything in it when it goes.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    char name[] = "/tmp/ruvel-bench-XXXXXX";
    if (mkdtemp(name)) path_ = name;
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

const std::string& CapacityMapFile(bool classes) {
  static const TemporaryFolder folder;
  const auto write = [](const char* kind, bool withClasses) {
    const std::string path = folder.Path() + "/" + kind;
    std::filesystem::create_directory(path);
    return WriteCapacityMap(path, withClasses);
  };
  if (classes) {
    static const std::string classed = write("classed", true);
    return classed;
  }
  static const std::string plain = write("plain", false);
  return plain;
}
