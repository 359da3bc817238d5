// Loading an imported map whose S layer has the Oneway, Duration and Name
// columns, against the same map with only From, To and Length: what
// reading the columns costs.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "import/road_import.h"
#include "map/layer_loader.h"
#include "map/map_files.h"
#include "map/map_store.h"

namespace {

constexpr int kSide = 220;  // junctions a side of the grid of streets

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A CSV of streets 100 m apart on a grid, each of five vertices, named,
// every third one way and of 30 or 50 km/h.
std::string WriteStreets(const std::string& folder) {
  std::string csv = "WKT,name,oneway,maxspeed\n";
  int street = 0;
  for (int i = 0; i < kSide; ++i) {
    for (int j = 0; j < kSide; ++j) {
      const int x = 10000 + i * 100, y = 10000 + j * 100;
      for (const bool east : {true, false}) {
        if ((east ? i : j) == kSide - 1) continue;
        std::string wkt = "LINESTRING (";
        for (int k = 0; k <= 4; ++k)
          wkt += (k ? "," : "") + std::to_string(east ? x + 25 * k : x + (k % 2)) + " " +
                 std::to_string(east ? y + (k % 2) : y + 25 * k);
        csv += "\"" + wkt + ")\",Street " + std::to_string(street) + "," + (street % 3 ? "no" : "yes") + "," +
               (street % 2 ? "30" : "50") + "\n";
        ++street;
      }
    }
  }
  WriteText(folder + "/streets.csv", csv);
  return folder + "/streets.csv";
}

// A copy of the map whose S layer declares only the first three columns;
// its rows cut after the third field, or left as they are, which the loader
// then reads only up to the third comma.
void DeclareThreeColumns(const LayerFiles& from, const LayerFiles& to, bool cutRows) {
  WriteText(to.pointGeometry, ReadText(from.pointGeometry));
  WriteText(to.pointAttributes, ReadText(from.pointAttributes));
  std::string mif = ReadText(from.segmentGeometry);
  const size_t columns = mif.find("Columns"), data = mif.find("Data\n");
  mif.replace(columns, data - columns, "Columns 3\n  From Integer\n  To Integer\n  Length Integer\n");
  WriteText(to.segmentGeometry, mif);
  std::istringstream rows(ReadText(from.segmentAttributes));
  std::string kept;
  for (std::string row; std::getline(rows, row);)
    kept += (cutRows ? row.substr(0, row.find(',', row.find(',', row.find(',') + 1) + 1)) : row) + "\n";
  WriteText(to.segmentAttributes, kept);
}

// The M layer's .mif of the imported map: 0 with only From, To and Length;
// 1 with the rows of 2 but a header that declares only those three; 2 with
// the Oneway, Duration and Name columns. Written once per run.
const std::string& ImportedMap(int64_t variant) {
  static const std::string folder = [] {
    char name[] = "/tmp/ruvel-columns-bench-XXXXXX";
    const std::string made = mkdtemp(name);
    const std::string source = WriteStreets(made);
    const LayerFiles with = LayerFileNames(made + "/Mmap2.mif");
    RuvelImportRequest request = {};
    request.source = source.c_str();
    request.outputs[0] = with.pointGeometry.c_str();
    request.outputs[1] = with.pointAttributes.c_str();
    request.outputs[2] = with.segmentGeometry.c_str();
    request.outputs[3] = with.segmentAttributes.c_str();
    request.profile = "all";
    request.onewayField = "oneway";
    request.speedField = "maxspeed";
    request.quiet = 1;
    ImportRoads(request);
    DeclareThreeColumns(with, LayerFileNames(made + "/Mmap0.mif"), true);
    DeclareThreeColumns(with, LayerFileNames(made + "/Mmap1.mif"), false);
    return made;
  }();
  static const std::string maps[] = {folder + "/Mmap0.mif", folder + "/Mmap1.mif", folder + "/Mmap2.mif"};
  return maps[variant];
}

// Reading the map's four files and building its graph; the argument is the
// variant of ImportedMap.
void BM_LoadImportedMap(benchmark::State& state) {
  const std::string& file = ImportedMap(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();  // emptying the store of the last load is not loading
    ClearMapStore();
    state.ResumeTiming();
    LoadMapLayers(file);
  }
  state.counters["segments"] = segmentCount;
  state.counters["durations"] = static_cast<double>(segmentDuration.size());
}
BENCHMARK(BM_LoadImportedMap)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
