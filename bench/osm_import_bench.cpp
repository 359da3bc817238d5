// Importing OpenStreetMap: the whole `ruvel-route import` process on a
// generated .osm.pbf of the million-junction network (City) and of the
// network at ten times its area (Country, some ten million junctions, run
// it with --benchmark_filter=OsmImport_Country), against `osmium fileinfo
// -e` of the same file in the same run: a full decode of every object, the
// yardstick. Skipped when osmium (Debian's osmium-tool) is not installed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <osmium/io/any_input.hpp>
#include <osmium/io/reader.hpp>
#include <sstream>
#include <string>

#include "bench/osm_city_map.h"
#include "bench/process_run.h"

namespace {

// Whether program is an executable file in a folder of PATH.
bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':'))
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

// The nodes of the file that its ways use: half of all, as the generator
// writes as many again that no way uses.
double RoadNodes(const std::string& path) {
  osmium::io::Reader reader(path, osmium::osm_entity_bits::node);
  double nodes = 0;
  while (const osmium::memory::Buffer buffer = reader.read())
    nodes += static_cast<double>(std::distance(buffer.begin(), buffer.end()));
  reader.close();
  return nodes / 2;
}

// Times the import of the network at scale as OpenStreetMap (the file
// written into folder on first use) against osmium fileinfo -e of it, and
// reports the import's time as a multiple of osmium's, both times and the
// import's peak memory, also in bytes per node of a road beyond 64 MB.
void RunOsmImport(benchmark::State& state, const std::string& folder, int scale) {
  if (!OnPath("osmium")) return state.SkipWithError("osmium (osmium-tool) is not installed");
  const std::string source = WriteOsmCityMap(folder, scale);
  const std::string out = folder + "/imported";
  const double roadNodes = RoadNodes(source);
  for (auto _ : state) {
    const ProcessRun yardstick = RunProcess("osmium", {"fileinfo", "-e", source});
    const ProcessRun run = RunRuvelRoute({"import", source, out + "/Mimported.mif", "--quiet"});
    if (yardstick.seconds < 0 || run.seconds < 0) return state.SkipWithError("a process failed");
    state.SetIterationTime(run.seconds);
    state.counters["x osmium"] = run.seconds / yardstick.seconds;
    state.counters["osmium s"] = yardstick.seconds;
    state.counters["peak MB"] = run.peakMegabytes;
    state.counters["B per road node"] = (run.peakMegabytes - 64) * 1024 * 1024 / roadNodes;
    state.counters["osmium peak MB"] = yardstick.peakMegabytes;
  }
}

void BM_OsmImport_City(benchmark::State& state) { RunOsmImport(state, "/tmp/ruvel-osm-city-map", 1); }
BENCHMARK(BM_OsmImport_City)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_OsmImport_Country(benchmark::State& state) { RunOsmImport(state, "/tmp/ruvel-osm-country-map", 10); }
BENCHMARK(BM_OsmImport_Country)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
