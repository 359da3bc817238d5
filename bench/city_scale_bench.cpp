// The million-junction road network: whole ruvel-route processes on its
// files (info; route with one start and 1 or 1,001 targets; import of its
// roads from a GeoPackage), and in the process its load and the first
// search from a start, whose lengths are checked against the textbook
// Dijkstra.
#include <benchmark/benchmark.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/city_scale_map.h"
#include "bench/process_run.h"
#include "bench/yardstick.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"

namespace {

constexpr int32_t kTargets = 1000;

const std::string& CityMap() {
  static const std::string path = WriteCityScaleMap("/tmp/ruvel-city-scale-map-v2");
  return path;
}

// The size of the map's four files, in megabytes.
double FilesMegabytes() {
  double bytes = 0;
  for (const char* name : {"Mcity.mif", "Mcity.mid", "Scity.mif", "Scity.mid"}) {
    struct stat info;
    if (::stat(("/tmp/ruvel-city-scale-map-v2/" + std::string(name)).c_str(), &info) == 0)
      bytes += info.st_size;
  }
  return bytes / 1e6;
}

// A start in the middle of the file and kTargets random targets.
std::vector<int32_t> StartAndTargets(int32_t points) {
  std::mt19937 random(7);
  std::vector<int32_t> codes{points / 2};
  for (int32_t i = 0; i < kTargets; ++i)
    codes.push_back(std::uniform_int_distribution<int32_t>(1, points)(random));
  return codes;
}

// The route command's words for the start and the first `targets` targets.
std::vector<std::string> RouteWords(const std::vector<int32_t>& codes, int32_t targets) {
  std::vector<std::string> words{"route", CityMap()};
  for (int32_t i = 1; i <= targets; ++i) {
    words.push_back(std::to_string(codes[0]));
    words.push_back(std::to_string(codes[i]));
  }
  return words;
}

int32_t CityPointCount() {
  static const int32_t count = [] {
    ClearMapAndRoute();
    LoadMapLayers(CityMap());
    return pointCount;
  }();
  return count;
}

// A whole `ruvel-route info` process.
void BM_CityScale_InfoProcess(benchmark::State& state) {
  const std::vector<std::string> words{"info", CityMap()};
  double peak = 0;
  for (auto _ : state) {
    const ProcessRun run = RunRuvelRoute(words);
    if (run.seconds < 0) return state.SkipWithError("ruvel-route info failed");
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peakMegabytes);
  }
  state.counters["peak MB"] = peak;
  state.counters["files MB"] = FilesMegabytes();
}
BENCHMARK(BM_CityScale_InfoProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Whole `ruvel-route route` processes with one start and 1 target, then
// 1,001 targets (the first again, then kTargets more); "ms per target" is
// their difference spread over the kTargets.
void BM_CityScale_RouteProcess(benchmark::State& state) {
  const std::vector<int32_t> codes = StartAndTargets(CityPointCount());
  std::vector<int32_t> many{codes[0], codes[1]};
  many.insert(many.end(), codes.begin() + 1, codes.end());
  double one = 0, all = 0;
  for (auto _ : state) {
    const ProcessRun single = RunRuvelRoute(RouteWords(codes, 1));
    const ProcessRun whole = RunRuvelRoute(RouteWords(many, kTargets + 1));
    if (single.seconds < 0 || whole.seconds < 0) return state.SkipWithError("ruvel-route route failed");
    one += single.seconds;
    all += whole.seconds;
    state.SetIterationTime(whole.seconds);
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["1 pair ms"] = one / runs * 1e3;
  state.counters["ms per target"] = (all - one) / runs / kTargets * 1e3;
}
BENCHMARK(BM_CityScale_RouteProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Loading the map's four files and building its graph, in the process.
void BM_CityScale_Load(benchmark::State& state) {
  for (auto _ : state) {
    ClearMapAndRoute();
    LoadMapLayers(CityMap());
  }
  state.counters["points"] = pointCount;
  state.counters["segments"] = segmentCount;
  state.counters["entries"] = adjCount;
}
BENCHMARK(BM_CityScale_Load)->Unit(benchmark::kMillisecond)->Iterations(3);

// The first search from a new start, to the first target. Beforehand the
// kept search answers every target, and every 50th answer's length is
// checked against the textbook Dijkstra's.
void BM_CityScale_FirstSearch(benchmark::State& state) {
  const std::vector<int32_t> codes = StartAndTargets(CityPointCount());
  std::vector<int64_t> distance(static_cast<size_t>(nodeCount) + 1);
  for (size_t i = 1; i < codes.size(); ++i) {
    const bool found = FindRoute(codes[0], codes[i]) != RouteNotFound();
    if (i % 50 != 1) continue;
    const int64_t expected = HeapDijkstra(codes[0], codes[i], distance);
    if (found ? RouteLength() != expected : expected != INT64_MAX)
      return state.SkipWithError("a route is not as long as the textbook Dijkstra's");
  }
  for (auto _ : state) {
    FindRouteDirect(codes[0], codes[1]);
    state.SetIterationTime(static_cast<double>(routeTicks) * 1e-9);
  }
}
BENCHMARK(BM_CityScale_FirstSearch)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The city map's roads as a GeoPackage of lines in WGS 84, written once: the
// map's metres taken as UTM zone 33 north from (300000, 5000000).
std::string CityGeoPackage() {
  static const std::string path = [] {
    const std::string gpkg = "/tmp/ruvel-city-scale-map-v2/city.gpkg";
    struct stat info;
    if (::stat(gpkg.c_str(), &info) == 0) return gpkg;
    CityMap();
    GDALAllRegister();
    GDALDatasetUniquePtr dataset(
        GetGDALDriverManager()->GetDriverByName("GPKG")->Create(gpkg.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    OGRSpatialReference utm, wgs84;
    utm.importFromEPSG(32633);
    wgs84.importFromEPSG(4326);
    utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> toWgs84(OGRCreateCoordinateTransformation(&utm, &wgs84));
    OGRLayer* layer = dataset->CreateLayer("roads", &wgs84, wkbLineString, nullptr);
    dataset->StartTransaction();
    std::ifstream mif("/tmp/ruvel-city-scale-map-v2/Scity.mif");
    std::string line;
    while (std::getline(mif, line)) {
      if (line.rfind("Pline ", 0) != 0) continue;
      const int count = std::stoi(line.substr(6));
      std::vector<double> x, y;
      while (static_cast<int>(x.size()) < count && std::getline(mif, line)) {
        if (line.empty() || line[0] == ' ') continue;
        const size_t blank = line.find(' ');
        x.push_back(300000 + std::stod(line.substr(0, blank)));
        y.push_back(5000000 + std::stod(line.substr(blank + 1)));
      }
      toWgs84->Transform(x.size(), x.data(), y.data());
      OGRLineString road;
      for (size_t k = 0; k < x.size(); ++k) road.addPoint(x[k], y[k]);
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetGeometry(&road);
      if (layer->CreateFeature(&feature) != OGRERR_NONE) std::abort();
    }
    dataset->CommitTransaction();
    return gpkg;
  }();
  return path;
}

// A whole `ruvel-route import` of the city's GeoPackage, with its peak
// memory.
void BM_CityScale_ImportGeoPackage(benchmark::State& state) {
  const std::string source = CityGeoPackage();
  double peak = 0;
  for (auto _ : state) {
    const ProcessRun run =
        RunRuvelRoute({"import", source, "/tmp/ruvel-city-scale-map-v2/imported/Mcity.mif", "--quiet"});
    if (run.seconds < 0) return state.SkipWithError("ruvel-route import failed");
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peakMegabytes);
  }
  state.counters["peak MB"] = peak;
}
BENCHMARK(BM_CityScale_ImportGeoPackage)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
