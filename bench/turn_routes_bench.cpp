// Routes that obey turn restrictions on the million-junction network, with
// restrictions at about 2% of its junctions (a turn forbidden, a U-turn
// forbidden, only one way on, and now and then a row through a way), against
// the same network without them, in the same run: preparing the hierarchy
// (both threads, as `ruvel-route prepare`), and routes from scratch on 1,000
// random pairs and 1,000 pointer moves from 4 starts (processor time of the
// thread, marking included).
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/city_scale_map.h"
#include "bench/process_run.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "map/turn_restrictions.h"
#include "route/contraction_hierarchy.h"
#include "route/fast_route_search.h"
#include "route/route_search.h"
#include "route/turn_graph.h"

namespace {

// Rows at about one junction in fifty with three or more roads: mostly a
// turn forbidden from one road into another, else a U-turn forbidden or
// only one way on; one in ten goes through a way to the next junction.
TurnRestrictions SomeRestrictions(const DirectedGraph& road) {
  TurnRestrictions restrictions;
  std::mt19937 random(51);
  for (int32_t via = 1; via <= road.nodeCount; ++via) {
    const int32_t first = road.nodeStart[via - 1], degree = road.nodeStart[via] - first;
    if (degree < 3 || random() % 50 != 0) continue;
    TurnRestriction row;
    row.via = via;
    row.from = road.adjSegment[first];
    const int32_t kind = static_cast<int32_t>(random() % 10);
    row.only = kind == 9;
    row.to =
        kind == 8 ? row.from : road.adjSegment[first + 1 + static_cast<int32_t>(random() % (degree - 1))];
    const int32_t next = road.adjNode[first + 1];
    if (kind == 7 && next != via && road.nodeStart[next] > road.nodeStart[next - 1]) {
      row.ways = {road.adjSegment[first + 1]};
      row.to = road.adjSegment[road.nodeStart[next - 1]];
    }
    restrictions.rows.push_back(row);
  }
  return restrictions;
}

// A folder whose map is the million-junction network's M and S layers
// (linked) with a T layer of the restrictions, written as the importer
// writes one; returns its M layer's path.
std::string WriteTurnLayer(const TurnRestrictions& restrictions) {
  const std::string folder = "/tmp/ruvel-city-turns-map", source = "/tmp/ruvel-city-scale-map-v2/";
  ::mkdir(folder.c_str(), 0755);
  for (const char* name : {"Mcity.mif", "Mcity.mid", "Scity.mif", "Scity.mid"}) {
    ::unlink((folder + "/" + name).c_str());
    if (::symlink((source + name).c_str(), (folder + "/" + name).c_str()) != 0) return "";
  }
  std::ofstream mif(folder + "/Tcity.mif"), mid(folder + "/Tcity.mid");
  mif << "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\nColumns 6\n  Rule Char(32)\n  Kind Char(4)\n"
         "  From Integer\n  To Integer\n  Via Integer\n  Ways Char(254)\nData\n\n";
  for (const TurnRestriction& row : restrictions.rows) {
    mif << "Point " << points[row.via - 1].X << " " << points[row.via - 1].Y << "\n";
    mid << (row.only ? "\"only_straight_on\",\"only\"," : "\"no_left_turn\",\"no\",") << row.from << ","
        << row.to << "," << row.via << ",\"";
    for (size_t i = 0; i < row.ways.size(); ++i) mid << (i ? " " : "") << row.ways[i];
    mid << "\"\n";
  }
  return folder + "/Mcity.mif";
}

// The network loaded once with and without its restrictions, each prepared.
struct TurnNetwork {
  TurnNetwork() {
    ClearMapStore();
    LoadMapLayers(WriteCityScaleMap("/tmp/ruvel-city-scale-map-v2"));
    const DirectedGraph road = SnapshotRoadGraph();
    restrictions = SomeRestrictions(road);
    turns = std::make_shared<TurnGraph>(road, restrictions);
    plainSeconds = Prepare(road, plain);
    turnSeconds = Prepare(turns->Graph(), withTurns);
  }
  static double Prepare(const DirectedGraph& graph, std::unique_ptr<ContractionHierarchy>& hierarchy) {
    const auto t0 = std::chrono::steady_clock::now();
    hierarchy = BuildContractionHierarchy(graph, nullptr, 2);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  TurnRestrictions restrictions;
  std::shared_ptr<TurnGraph> turns;
  std::unique_ptr<ContractionHierarchy> plain, withTurns;
  double plainSeconds = 0, turnSeconds = 0;
};

TurnNetwork& TheNetwork() {
  static TurnNetwork network;
  return network;
}

void BM_TurnRoutes_Prepare(benchmark::State& state) {
  TurnNetwork& network = TheNetwork();
  for (auto _ : state) state.SetIterationTime(network.turnSeconds);
  state.counters["rows"] = static_cast<double>(network.restrictions.rows.size());
  state.counters["points"] = network.turns->Graph().nodeCount;
  state.counters["without s"] = network.plainSeconds;
  state.counters["x without"] = network.turnSeconds / network.plainSeconds;
}
BENCHMARK(BM_TurnRoutes_Prepare)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// Routes from scratch on random pairs, then pointer moves (a new target
// each, four starts): mean and worst, in milliseconds.
void BM_TurnRoutes_Routes(benchmark::State& state) {
  TurnNetwork& network = TheNetwork();
  FastRoutes routes;
  routes.SetTurns(network.turns);
  routes.Adopt(std::make_unique<ContractionHierarchy>(*network.withTurns));
  if (!routes.Ready()) return state.SkipWithError("the hierarchy is not taken");
  std::mt19937 random(25);
  std::uniform_int_distribution<int32_t> code(1, nodeCount);
  double total = 0, worst = 0, moveWorst = 0;
  for (auto _ : state) {
    for (int k = 0; k < 1000; ++k) {
      const double t0 = ThreadSeconds();
      routes.Find(code(random), code(random));
      const double seconds = ThreadSeconds() - t0;
      total += seconds;
      worst = std::max(worst, seconds);
    }
    for (int k = 0; k < 1000; ++k) {
      const int32_t start = 1 + (k / 250) * (nodeCount / 4);
      const double t0 = ThreadSeconds();
      routes.Find(start, code(random));
      moveWorst = std::max(moveWorst, ThreadSeconds() - t0);
    }
  }
  state.counters["mean ms"] = total / 1000 * 1e3;
  state.counters["worst ms"] = worst * 1e3;
  state.counters["move worst ms"] = moveWorst * 1e3;
}
BENCHMARK(BM_TurnRoutes_Routes)->Unit(benchmark::kMillisecond)->Iterations(1);

// Last, as it leaves the store without a graph installed. Loading the map
// as the window does, its tables and graph and, with the T
// layer, its turn graph: three times each way, alternating; the medians.
void BM_TurnRoutes_Load(benchmark::State& state) {
  const std::string withTurns = WriteTurnLayer(TheNetwork().restrictions);
  if (withTurns.empty()) return state.SkipWithError("cannot link the map's files");
  std::vector<double> plain, turns, turnGraph;
  size_t rows = 0;
  for (auto _ : state) {
    for (int k = 0; k < 3; ++k) {
      for (const bool withLayer : {false, true}) {
        ClearMapStore();
        const auto t0 = std::chrono::steady_clock::now();
        const LoadedMap map = LoadMapTables(withLayer ? withTurns : "/tmp/ruvel-city-scale-map-v2/Mcity.mif");
        const auto t1 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(TurnsOf(map.graph, map.restrictions));
        if (withLayer)
          turnGraph.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count());
        rows = std::max(rows, map.restrictions.rows.size());
        (withLayer ? turns : plain)
            .push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
      }
    }
  }
  std::sort(plain.begin(), plain.end());
  std::sort(turns.begin(), turns.end());
  state.counters["rows"] = static_cast<double>(rows);
  std::sort(turnGraph.begin(), turnGraph.end());
  state.counters["turn graph s"] = turnGraph[turnGraph.size() / 2];
  state.counters["without s"] = plain[plain.size() / 2];
  state.counters["with s"] = turns[turns.size() / 2];
  state.counters["x without"] = turns[turns.size() / 2] / plain[plain.size() / 2];
  state.counters["tables x without"] =
      (turns[turns.size() / 2] - turnGraph[turnGraph.size() / 2]) / plain[plain.size() / 2];
}
BENCHMARK(BM_TurnRoutes_Load)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
