#include "map/layer_loader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "map/area_index.h"
#include "map/bounds.h"
#include "map/line_reader.h"
#include "map/load_progress.h"
#include "map/map_files.h"
#include "map/map_store.h"
#include "map/point_layer_reader.h"
#include "map/road_graph.h"
#include "map/segment_geometry_reader.h"
#include "map/segment_layer.h"
#include "map/segment_row_parts.h"
#include "map/segment_row_reader.h"
#include "toolkit/text_file.h"

namespace {

// Puts what was read of the S layer into the store.
void StoreSegmentLayer(SegmentLayer& layer) {
  layer.added.Store(segments, segmentCount);
  if (!layer.attributesOpened) return;
  segmentOneway = std::move(layer.values.oneway);
  segmentDuration = std::move(layer.values.duration);
  segmentName = std::move(layer.values.name);
  segmentClass = std::move(layer.values.roadClass);
}

// The four layer files, opened before any is read; null for one that
// cannot be opened, which is skipped.
using OpenLayers = std::array<std::unique_ptr<TextFile>, 4>;

// Opens the layer files in the order they are read, the three derived
// names matched ignoring letter case; progress learns their total size.
OpenLayers OpenLayerFiles(const LayerFiles& names, LoadProgress* progress) {
  const std::array<std::string, 4> paths = names.InOrder();
  OpenLayers files;
  int64_t total = 0;
  for (size_t k = 0; k < files.size(); ++k) {
    auto file = std::make_unique<TextFile>();
    if (!file->Open(paths[k], k == 0 ? NameMatch::Exact : NameMatch::IgnoreCase)) continue;
    total += file->Size();
    files[k] = std::move(file);
  }
  if (progress) progress->totalBytes = total;
  return files;
}

// The M layer's two files, those that could be opened, one after the other.
void ReadPointLayer(OpenLayers& files, ReadControl& control) {
  if (files[0]) ReadPointGeometry(*files[0], control);
  if (files[1]) ReadPointAttributes(*files[1], control);
}

// The S layer's .mid rows: those read in parts (none when there was no
// second thread), or, when they are not complete, the file read the usual
// way; what it adds to the bytes read then counts in the total too.
void ReadSegmentRows(TextFile& file, ReadControl& control, SegmentLayer& layer, SegmentRowParts* parts,
                     LoadProgress* progress) {
  if (parts && parts->GiveToSegments(layer)) return;
  if (parts && parts->WereRead() && progress) progress->totalBytes += file.Size();
  ReadSegmentAttributes(file, control, layer);
}

// Reads the layers on two threads when the store is empty (as it is after
// ClearMapStore) and there is an S layer: a worker reads the S layer's .mif
// file while the calling thread reads the M layer, and then both read the S
// layer's .mid file in parts. The outcome is the sequential one: a failure
// in the M layer is the load's, and the S layer is then dropped; otherwise
// the S layer is stored, and its first failure, in file order, is the
// load's. Returns the bounds of the segments' vertices when the store held
// no segment before, so that the load read all of them.
std::optional<Bounds> ReadLayers(OpenLayers& files, LoadProgress* progress, int64_t rowPartBytes) {
  SegmentLayer layer(segmentCount);
  ColumnsHandOver columns;
  std::optional<SegmentRowParts> rowParts;
  std::atomic<bool> abandon{false}, segmentsFailed{false};
  std::exception_ptr segmentFault;
  const auto readGeometry = [&] {
    ReadControl control(progress, &abandon);
    try {
      if (files[2]) ReadSegmentGeometry(*files[2], control, layer, columns);
    } catch (...) {
      segmentFault = std::current_exception();
      segmentsFailed = true;
    }
    columns.Give(nullptr);
  };
  // Both threads' share of the rows, with the columns its header declared.
  const auto readRowParts = [&](const std::atomic<bool>* giveUp, const SegmentColumns& declared) {
    ReadControl control(progress, giveUp);
    rowParts->Read(control, declared);
  };
  std::thread worker;
  if (pointCount == 0 && segmentCount == 0 && files[2] && files[3]) {
    try {
      rowParts.emplace(*files[3], rowPartBytes);
      worker = std::thread([&] {
        readGeometry();
        if (!segmentsFailed) readRowParts(&abandon, layer.columns);
      });
    } catch (...) {  // no thread to be had, or the file unreadable: one after the other
      rowParts.reset();
    }
  }
  try {
    ReadControl control(progress, nullptr);
    ReadPointLayer(files, control);
    if (std::optional<SegmentColumns> declared = rowParts ? columns.Take() : std::nullopt)
      readRowParts(&segmentsFailed, *declared);
  } catch (...) {
    if (worker.joinable()) {
      abandon = true;
      worker.join();
    }
    throw;
  }
  if (worker.joinable()) {
    worker.join();
  } else {
    readGeometry();
  }
  if (!segmentFault && files[3]) {
    try {
      ReadControl control(progress, nullptr);
      ReadSegmentRows(*files[3], control, layer, rowParts ? &*rowParts : nullptr, progress);
    } catch (...) {
      segmentFault = std::current_exception();
    }
  }
  StoreSegmentLayer(layer);
  if (segmentFault) std::rethrow_exception(segmentFault);
  if (layer.added.Stored() > 0) return std::nullopt;
  return layer.vertexBounds;
}

}  // namespace

int64_t VertexBound(int64_t segmentFileSize) {
  return std::min<int64_t>(std::max<int64_t>(VERTEX_FLOOR, segmentFileSize / 4), 2147483647);
}

void LoadMapLayers(std::string fileName, LoadProgress* progress, int64_t rowPartBytes) {
  DropMapAreaIndex();  // the tables it indexes are about to change
  ++graphGeneration;   // and so, even if the load fails, is what a kept search knows
  OpenLayers files = OpenLayerFiles(LayerFileNames(std::move(fileName)), progress);
  const std::optional<Bounds> vertexBounds = ReadLayers(files, progress, rowPartBytes);
  if (progress) progress->phase = LoadProgress::kBuildingGraph;
  BuildRoadGraph(progress, vertexBounds ? &*vertexBounds : nullptr);
}
