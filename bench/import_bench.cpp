// Importing a street pattern from a GeoPackage, and refusing one four times
// beyond the limits it is given, which stops reading as soon as its lines
// pass them and writes nothing.
#include <benchmark/benchmark.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <stdlib.h>

#include <array>
#include <cstdlib>
#include <string>

#include "import/import_error.h"
#include "import/road_import.h"
#include "map/map_files.h"

namespace {

// Writes a GeoPackage of `lines` roads of 20 vertices each, in UTM metres:
// the edges of a grid of junctions 100 m apart, each road wiggling 3 m off
// its edge between its ends, so that roads meet only at their ends.
std::string WriteStreetPattern(int lines) {
  char folder[] = "/tmp/ruvel-import-bench-XXXXXX";
  const std::string path = std::string(mkdtemp(folder)) + "/streets.gpkg";
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
  GDALDatasetUniquePtr dataset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  OGRSpatialReference utm;
  utm.importFromEPSG(32633);
  OGRLayer* layer = dataset->CreateLayer("streets", &utm, wkbLineString, nullptr);
  OGRFieldDefn name("name", OFTString);
  layer->CreateField(&name);
  dataset->StartTransaction();
  int columns = 2;
  while (2 * columns * (columns - 1) < lines) ++columns;
  int written = 0;
  for (int cell = 0; written < lines; ++cell) {
    const int x = 400000 + cell % columns * 100, y = 5800000 + cell / columns * 100;
    for (const bool east : {true, false}) {
      if (written == lines || (east && cell % columns == columns - 1)) continue;
      OGRLineString road;
      road.addPoint(x, y);
      for (int k = 1; k <= 18; ++k) road.addPoint(east ? x + 5 * k : x + 3, east ? y + 3 : y + 5 * k);
      road.addPoint(east ? x + 100 : x, east ? y : y + 100);
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetField("name", ("Street " + std::to_string(written)).c_str());
      feature.SetGeometry(&road);
      if (layer->CreateFeature(&feature) != OGRERR_NONE) std::abort();
      ++written;
    }
  }
  dataset->CommitTransaction();
  return path;
}

// A quiet request to import source into Mstreets.mif beside it; the source
// and the outputs are kept in texts, which the request points to.
RuvelImportRequest RequestFor(const std::string& source, std::array<std::string, 6>& outputs) {
  outputs = LayerFileNames(source.substr(0, source.rfind('/')) + "/Mstreets.mif").WithRestrictions();
  RuvelImportRequest request = {};
  request.source = source.c_str();
  for (size_t i = 0; i < outputs.size(); ++i) request.outputs[i] = outputs[i].c_str();
  request.quiet = 1;
  return request;
}

// 45,000 roads: 22,628 junctions, 45,000 segments, 900,000 vertices.
void BM_ImportStreetPattern(benchmark::State& state) {
  static const std::string source = WriteStreetPattern(45000);
  std::array<std::string, 6> outputs;
  const RuvelImportRequest request = RequestFor(source, outputs);
  ImportReport report;
  for (auto _ : state) report = ImportRoads(request);
  state.counters["junctions"] = static_cast<double>(report.junctions);
  state.counters["segments"] = static_cast<double>(report.segments);
}
BENCHMARK(BM_ImportStreetPattern)->Unit(benchmark::kSecond)->Iterations(3);

// 200,000 roads against limits of 50,000 segments: refused after reading
// about a quarter of the source.
void BM_RefuseBeyondLimits(benchmark::State& state) {
  static const std::string source = WriteStreetPattern(200000);
  std::array<std::string, 6> outputs;
  const RuvelImportRequest request = RequestFor(source, outputs);
  MapLimits limits;
  limits.segments = 50000;
  for (auto _ : state) {
    try {
      ImportRoads(request, limits);
      state.SkipWithError("a network beyond the limits was imported");
    } catch (const ImportError&) {
    }
  }
}
BENCHMARK(BM_RefuseBeyondLimits)->Unit(benchmark::kSecond)->Iterations(2);

}  // namespace
