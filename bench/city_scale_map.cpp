#include "bench/city_scale_map.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kSlots = 36;                  // towns on a kSlots x kSlots grid of slots, at scale 1
constexpr double kSlot = 16000;             // metres between slot corners
constexpr int32_t kTownJunctions = 990000;  // at scale 1

using Position = CityPosition;

// The network as it is built.
class Network {
 public:
  explicit Network(uint32_t seed) : random_(seed) {}

  int32_t Junctions() const { return static_cast<int32_t>(built_.junctions.size()); }

  // A town with its corner near (x0, y0); returns the indices of its
  // junctions on its outer edge, where country roads may join it.
  std::vector<int32_t> AddTown(double x0, double y0) {
    const int columns = Uniform(8, 50), rows = Uniform(8, 50);
    const std::vector<double> xs = Offsets(columns), ys = Offsets(rows);
    const int32_t first = Junctions();
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c)
        built_.junctions.push_back({x0 + xs[c] + Jitter(15), y0 + ys[r] + Jitter(15)});
    std::vector<int32_t> edge;
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        const int32_t at = first + r * columns + c;
        const bool outer = r == 0 || c == 0 || r == rows - 1 || c == columns - 1;
        if (outer) edge.push_back(at);
        // The first row and column always stay, so that the town hangs together.
        if (c + 1 < columns && (r == 0 || Chance(0.72))) AddStreet(at, at + 1, r == 0);
        if (r + 1 < rows && (c == 0 || Chance(0.72))) AddStreet(at, at + columns, c == 0);
      }
    }
    return edge;
  }

  // A winding country road from junction a to junction b: junctions every 2
  // to 5 km, and between them a polyline with a vertex every 60 to 140 m
  // drifting off the straight line and back.
  void AddCountryRoad(int32_t a, int32_t b, const char* roadClass) {
    const Position from = built_.junctions[a], to = built_.junctions[b];
    const double span = std::hypot(to.x - from.x, to.y - from.y);
    const int steps = std::max(2, static_cast<int>(span / 100));
    const double nx = -(to.y - from.y) / span, ny = (to.x - from.x) / span;
    double offset = 0, sinceJunction = 0, nextJunction = Uniform(2000, 5000);
    int32_t last = a;
    std::vector<Position> vertices{from};
    for (int i = 1; i < steps; ++i) {
      const double t = static_cast<double>(i) / steps;
      offset = offset * 0.97 + Jitter(60);
      const double bend = offset * std::sin(t * M_PI);
      vertices.push_back(
          {from.x + t * (to.x - from.x) + nx * bend, from.y + t * (to.y - from.y) + ny * bend});
      sinceJunction += span / steps;
      if (sinceJunction >= nextJunction) {
        built_.junctions.push_back(vertices.back());
        AddRoad(last, Junctions() - 1, vertices, 1.05, roadClass);
        last = Junctions() - 1;
        vertices = {built_.junctions[last]};
        sinceJunction = 0;
        nextJunction = Uniform(2000, 5000);
      }
    }
    vertices.push_back(to);
    AddRoad(last, b, vertices, 1.05, roadClass);
  }

  // The network built so far, handed over.
  CityNetwork Take() { return std::move(built_); }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }

 private:
  double Jitter(double most) { return std::uniform_real_distribution<double>(-most, most)(random_); }
  bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }

  // Where the junctions of a street line stand: blocks 50 to 260 m long.
  std::vector<double> Offsets(int count) {
    std::vector<double> at{0};
    while (static_cast<int>(at.size()) < count) at.push_back(at.back() + Uniform(50, 260));
    return at;
  }

  // A street between two junctions of a town, one in five bent at a vertex
  // off its middle: a tertiary road on the town's main lines, else one in
  // ten a service road and the others minor.
  void AddStreet(int32_t a, int32_t b, bool mainLine) {
    const Position pa = built_.junctions[a], pb = built_.junctions[b];
    std::vector<Position> vertices{pa};
    if (Chance(0.2)) vertices.push_back({(pa.x + pb.x) / 2 + Jitter(20), (pa.y + pb.y) / 2 + Jitter(20)});
    vertices.push_back(pb);
    // The class draws nothing from the random numbers, so that the network's
    // shape is that of files written before roads had classes.
    AddRoad(a, b, vertices, 1.25, mainLine ? "tertiary" : (a + b) % 10 == 0 ? "service" : "minor");
  }

  // A road along vertices, its length the polyline's, stretched by up to
  // the factor given.
  void AddRoad(int32_t a, int32_t b, const std::vector<Position>& vertices, double stretch,
               const char* roadClass) {
    double length = 0;
    for (size_t k = 1; k < vertices.size(); ++k)
      length += std::hypot(vertices[k].x - vertices[k - 1].x, vertices[k].y - vertices[k - 1].y);
    length *= std::uniform_real_distribution<double>(1.0, stretch)(random_);
    built_.roads.push_back({a, b, vertices, static_cast<int32_t>(length), roadClass});
  }

  std::mt19937 random_;
  CityNetwork built_;
};

int Round(double v) { return static_cast<int>(std::lround(v)); }

// The M layer: a point per junction, coded 1, 2, ... in order.
void WritePoints(const CityNetwork& net, const std::string& folder) {
  std::FILE* mif = std::fopen((folder + "/Mcity.mif").c_str(), "w");
  std::FILE* mid = std::fopen((folder + "/Mcity.mid").c_str(), "w");
  std::fputs(
      "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\nColumns 2\n  Code Integer\n  Name "
      "Char(40)\nData\n",
      mif);
  for (size_t i = 0; i < net.junctions.size(); ++i) {
    std::fprintf(mif, "Point %d %d\n", Round(net.junctions[i].x), Round(net.junctions[i].y));
    std::fprintf(mid, "%zu,\"Junction %zu\"\n", i + 1, i + 1);
  }
  std::fclose(mif);
  std::fclose(mid);
}

// The S layer: a polyline per road, with its ends, length and class.
void WriteRoads(const CityNetwork& net, const std::string& folder) {
  std::FILE* mif = std::fopen((folder + "/Scity.mif").c_str(), "w");
  std::FILE* mid = std::fopen((folder + "/Scity.mid").c_str(), "w");
  std::fputs(
      "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\nColumns 4\n  From Integer\n  To Integer\n"
      "  Length Integer\n  Class Char(10)\nData\n",
      mif);
  for (const CityRoad& road : net.roads) {
    std::fprintf(mif, "Pline %zu\n    Pen (1,2,0)\n", road.vertices.size());
    for (const Position& p : road.vertices) std::fprintf(mif, "%d %d\n", Round(p.x), Round(p.y));
    std::fprintf(mid, "%d,%d,%d,%s\n", road.from + 1, road.to + 1, road.length, road.roadClass);
  }
  std::fclose(mif);
  std::fclose(mid);
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// Whether folder holds the network's files as this version writes them:
// the S layer's header declares the Class column.
bool Written(const std::string& folder) {
  std::FILE* mif = std::fopen((folder + "/Scity.mif").c_str(), "r");
  if (!mif) return false;
  char head[256];
  const size_t read = std::fread(head, 1, sizeof head, mif);
  std::fclose(mif);
  return std::string(head, read).find("Class Char") != std::string::npos && Exists(folder + "/Scity.mid");
}

}  // namespace

CityNetwork BuildCityScaleNetwork(int scale) {
  const int slots = static_cast<int>(std::lround(kSlots * std::sqrt(scale)));
  const int32_t townJunctions = kTownJunctions * scale;
  Network net(2026);
  // Towns slot by slot, then roads to the towns of the next slots right
  // and up, each from a junction on one town's edge to one on the other's.
  std::vector<std::vector<int32_t>> towns(slots * slots);
  for (int slot = 0; slot < slots * slots && net.Junctions() < townJunctions; ++slot)
    towns[slot] =
        net.AddTown(slot % slots * kSlot + net.Uniform(0, 3000), slot / slots * kSlot + net.Uniform(0, 3000));
  const auto edgeJunction = [&net](const std::vector<int32_t>& edge) {
    return edge[net.Uniform(0, static_cast<int>(edge.size()) - 1)];
  };
  for (int slot = 0; slot < slots * slots; ++slot) {
    if (towns[slot].empty()) continue;
    for (const int next : {slot + 1, slot + slots}) {
      if (next >= slots * slots || towns[next].empty() || (next == slot + 1 && next % slots == 0)) continue;
      const bool eastward = next == slot + 1;
      const bool fast = eastward ? slot / slots % 8 == 0 : slot % slots % 8 == 0;
      net.AddCountryRoad(edgeJunction(towns[slot]), edgeJunction(towns[next]),
                         fast ? (eastward ? "motorway" : "trunk") : (eastward ? "primary" : "secondary"));
    }
  }
  return net.Take();
}

std::string WriteCityScaleMap(const std::string& folder, int scale) {
  const std::string map = folder + "/Mcity.mif";
  if (Written(folder)) return map;
  ::mkdir(folder.c_str(), 0755);
  const CityNetwork net = BuildCityScaleNetwork(scale);
  WritePoints(net, folder);
  WriteRoads(net, folder);
  return map;
}
