#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "route/contraction_hierarchy.h"
#include "route/directed_graph.h"

// The folder that keeps Ruvel's hierarchy files: $XDG_CACHE_HOME/ruvel
// when that variable is an absolute path, else $HOME/.cache/ruvel; "" when
// neither can be had.
std::string DefaultHierarchyCacheFolder();

// Hierarchy files in one folder, one per graph, named from the graph's
// hash and the format version. Files of other names are never touched.
// The folder keeps at most limitBytes of hierarchy files: saving removes
// the least recently used first (by modification time, which each load
// renews). Nothing read is trusted (see ReadHierarchy).
class HierarchyCache {
 public:
  static constexpr uint64_t kDefaultLimit = uint64_t{4} << 30;

  explicit HierarchyCache(std::string folder = DefaultHierarchyCacheFolder(),
                          uint64_t limitBytes = kDefaultLimit);

  // The file that holds the hierarchy of the graph with this hash.
  std::string PathFor(uint64_t graphHash) const;

  // graph's hierarchy from its file, or nullptr when there is none or it is
  // refused. Renews the file's modification time when it is taken.
  std::unique_ptr<ContractionHierarchy> Load(const DirectedGraph& graph) const;

  enum class Saved { kYes, kTooLarge, kNotWritten };
  // Writes hierarchy to its file: into a temporary file of the folder
  // (created when missing), renamed into place once complete and removed
  // on any failure; older files are removed first to stay within the limit.
  // kTooLarge (nothing written) when the file alone would pass the limit,
  // kNotWritten when the folder or disk refuses it.
  Saved Save(const ContractionHierarchy& hierarchy) const;

  // Makes the folder when missing; whether it is there and may be written
  // (a full disk shows only when Save writes).
  bool Writable() const;

  const std::string& Folder() const { return folder_; }

 private:
  void MakeRoomFor(uint64_t bytes, const std::string& keep) const;

  std::string folder_;
  uint64_t limit_;
};

// The hierarchy for graph: from the cache when it holds a sound one, else
// built (see BuildContractionHierarchy, on threads threads) and, when
// save, saved. nullptr when
// cancelled or the graph cannot be contracted. *saved (when given) tells
// whether the cache now holds it. For a worker thread: reads only graph,
// cache and progress.
std::unique_ptr<ContractionHierarchy> LoadOrBuildHierarchy(const DirectedGraph& graph,
                                                           const HierarchyCache& cache, bool save,
                                                           HierarchyProgress* progress = nullptr,
                                                           HierarchyCache::Saved* saved = nullptr,
                                                           int threads = 1);
