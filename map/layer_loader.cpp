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
#include "map/restriction_layer_reader.h"
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

// The six layer files, the T layer's last, opened before any is read; null
// for one that cannot be opened, which is skipped.
using OpenLayers = std::array<std::unique_ptr<TextFile>, 6>;

// Opens the layer files in the order they are read, the derived names
// matched ignoring letter case; the T layer's two only when both open, as
// one without the other is no T layer. progress learns their total size.
OpenLayers OpenLayerFiles(const LayerFiles& names, LoadProgress* progress) {
  const std::array<std::string, 6> paths = names.WithRestrictions();
  OpenLayers files;
  for (size_t k = 0; k < files.size(); ++k) {
    auto file = std::make_unique<TextFile>();
    if (file->Open(paths[k], k == 0 ? NameMatch::Exact : NameMatch::IgnoreCase)) files[k] = std::move(file);
  }
  if (!files[4] || !files[5]) files[4].reset(), files[5].reset();
  int64_t total = 0;
  for (const std::unique_ptr<TextFile>& file : files) total += file ? file->Size() : 0;
  if (progress) progress->totalBytes = total;
  return files;
}

// The T layer's restrictions, read once the M and S layers are in the
// store: none without both of its files or when its .mif file is no T
// layer, whose .mid file then counts as read without being read.
TurnRestrictions ReadRestrictionLayer(OpenLayers& files, LoadProgress* progress) {
  if (!files[4]) return {};
  if (progress) progress->phase = LoadProgress::kReadingRestrictions;
  ReadControl control(progress, nullptr);
  if (const std::optional<int32_t> points = ReadRestrictionGeometry(*files[4], control))
    return ReadRestrictionAttributes(*files[5], control, *points);
  control.FinishFile(*files[5]);
  return {};
}

// One load's reading of the M and S layers' four files. When the store is
// empty (as it is after ClearMapStore) and both S layer files are open, a
// worker reads the S layer's .mif file while the calling thread reads the
// M layer, and then both read the S layer's .mid file in parts; otherwise
// the files are read one after the other. The outcome is the sequential one: a failure in the
// M layer is the load's, and the S layer is then dropped; otherwise the S
// layer is stored, and its first failure, in file order, is the load's.
class LayerReading {
 public:
  LayerReading(OpenLayers& files, LoadProgress* progress) : files_(files), progress_(progress) {}
  LayerReading(const LayerReading&) = delete;
  LayerReading& operator=(const LayerReading&) = delete;
  // A worker still running (the M layer failed) is asked to give up and
  // waited for.
  ~LayerReading() {
    if (!worker_.joinable()) return;
    abandon_ = true;
    worker_.join();
  }

  // Reads the files into the store, raising the load's failure. Returns the
  // bounds of the segments' vertices when the store held no segment
  // before, so that the load read all of them.
  std::optional<Bounds> Read(int64_t rowPartBytes) {
    if (pointCount == 0 && segmentCount == 0 && files_[2] && files_[3]) StartWorker(rowPartBytes);
    ReadPointLayer();
    if (worker_.joinable()) {
      worker_.join();
    } else {
      ReadGeometry();
    }
    if (!segmentFault_ && files_[3]) ReadSegmentRows();
    StoreSegmentLayer(layer_);
    if (segmentFault_) std::rethrow_exception(segmentFault_);
    if (layer_.added.Stored() > 0) return std::nullopt;
    return layer_.vertexBounds;
  }

 private:
  // Cuts the S layer's .mid file into parts and starts the worker: the S
  // layer's .mif file, then its share of the parts. Without a thread, or
  // when the file cannot be cut, nothing: the files are then read one
  // after the other.
  void StartWorker(int64_t rowPartBytes) {
    try {
      rowParts_.emplace(*files_[3], rowPartBytes);
      worker_ = std::thread([this] {
        ReadGeometry();
        if (!segmentsFailed_) ReadRowParts(&abandon_, layer_.columns);
      });
    } catch (...) {
      rowParts_.reset();
    }
  }

  // The M layer's two files, those that could be opened, one after the
  // other; then, beside a worker, a share of the S layer's row parts once
  // its header has declared their columns.
  void ReadPointLayer() {
    ReadControl control(progress_, nullptr);
    if (files_[0]) ReadPointGeometry(*files_[0], control);
    if (files_[1]) ReadPointAttributes(*files_[1], control);
    if (std::optional<SegmentColumns> declared = rowParts_ ? columns_.Take() : std::nullopt)
      ReadRowParts(&segmentsFailed_, *declared);
  }

  // The S layer's .mif file, if open; its failure is kept for the end of
  // the load, and the columns are handed over (as none when it failed
  // before its header ended).
  void ReadGeometry() {
    ReadControl control(progress_, &abandon_);
    try {
      if (files_[2]) ReadSegmentGeometry(*files_[2], control, layer_, columns_);
    } catch (...) {
      segmentFault_ = std::current_exception();
      segmentsFailed_ = true;
    }
    columns_.Give(nullptr);
  }

  // A thread's share of the row parts, with the columns its header
  // declared, given up at giveUp.
  void ReadRowParts(const std::atomic<bool>* giveUp, const SegmentColumns& declared) {
    ReadControl control(progress_, giveUp);
    rowParts_->Read(control, declared);
  }

  // The S layer's .mid rows: those read in parts (none without a worker),
  // or, when they are not complete, the file read the usual way, what it
  // adds to the bytes read then counting in the total too; its failure is
  // kept for the end of the load.
  void ReadSegmentRows() {
    try {
      if (rowParts_ && rowParts_->GiveToSegments(layer_)) return;
      if (rowParts_ && rowParts_->WereRead() && progress_) progress_->totalBytes += files_[3]->Size();
      ReadControl control(progress_, nullptr);
      ReadSegmentAttributes(*files_[3], control, layer_);
    } catch (...) {
      segmentFault_ = std::current_exception();
    }
  }

  OpenLayers& files_;
  LoadProgress* const progress_;
  SegmentLayer layer_{segmentCount};
  ColumnsHandOver columns_;
  std::optional<SegmentRowParts> rowParts_;
  std::atomic<bool> abandon_{false};         // the M layer failed: the worker gives up
  std::atomic<bool> segmentsFailed_{false};  // the S layer's .mif file failed: its rows are not wanted
  std::exception_ptr segmentFault_;          // the S layer's first failure
  std::thread worker_;
};

}  // namespace

int64_t VertexBound(int64_t segmentFileSize) {
  return std::min<int64_t>(std::max<int64_t>(VERTEX_FLOOR, segmentFileSize / 4), 2147483647);
}

LoadedMap LoadMapTables(std::string fileName, LoadProgress* progress, int64_t rowPartBytes) {
  OpenLayers files = OpenLayerFiles(LayerFileNames(std::move(fileName)), progress);
  const std::optional<Bounds> vertexBounds = LayerReading(files, progress).Read(rowPartBytes);
  LoadedMap loaded;
  loaded.restrictions = ReadRestrictionLayer(files, progress);
  if (progress) progress->phase = LoadProgress::kBuildingGraph;
  loaded.graph = BuildRoadGraphAside(progress, vertexBounds ? &*vertexBounds : nullptr);
  return loaded;
}

TurnRestrictions LoadMapLayers(std::string fileName, LoadProgress* progress, int64_t rowPartBytes) {
  DropMapAreaIndex();  // the tables it indexes are about to change
  ++graphGeneration;   // and so, even if the load fails, is what a kept search knows
  LoadedMap loaded = LoadMapTables(std::move(fileName), progress, rowPartBytes);
  InstallRoadGraph(loaded.graph);
  return std::move(loaded.restrictions);
}
