#include "import/osm_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <osmium/io/any_input.hpp>
#include <osmium/io/reader.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>
#include <osmium/thread/pool.hpp>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "import/import_error.h"
#include "import/progress.h"
#include "import/road_network.h"
#include "import/safe_text.h"
#include "import/two_threads.h"

namespace {

// One pass over the file, of the kinds of object asked for, decoded on a
// pool of every core (libosmium's own default leaves one of two idle).
class FilePass {
 public:
  FilePass(const std::string& path, osmium::osm_entity_bits::type kinds, const char* what, Progress& progress)
      : path_(path), what_(what), progress_(progress), pool_(PoolSize()), size_(FileSize(path)) {
    Guard([&] {
      const osmium::io::File file(path);
      pbf_ = file.format() == osmium::io::file_format::pbf &&
             file.compression() == osmium::io::file_compression::none;
      reader_ = std::make_unique<osmium::io::Reader>(file, pool_, kinds, osmium::io::read_meta::no);
    });
  }
  ~FilePass() {
    try {
      if (reader_) reader_->close();
    } catch (const std::exception&) {  // a pass ended early: what was left unread does not matter
    }
  }
  FilePass(const FilePass&) = delete;
  FilePass& operator=(const FilePass&) = delete;

  // Calls visit on each object of the file, in order, until it returns
  // false.
  template <typename Visit>
  void ForEach(Visit visit) {
    Guard([&] {
      while (osmium::memory::Buffer buffer = reader_->read()) {
        for (const osmium::OSMObject& object : buffer.select<osmium::OSMObject>())
          if (!visit(object)) return;
        progress_.Update(what_, static_cast<int64_t>(reader_->offset()), size_);
      }
      // libosmium ends a PBF file that stops inside a block's size quietly:
      // the blocks it read do not reach the file's end.
      if (pbf_ && static_cast<int64_t>(reader_->offset()) < size_)
        throw std::runtime_error("truncated data (the file ends inside the size of a block)");
      reader_->close();
    });
  }

 private:
  static int PoolSize() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }
  static int64_t FileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
  }
  // Runs work, turning what libosmium raises into an ImportError naming the file.
  template <typename Work>
  void Guard(Work work) {
    try {
      work();
    } catch (const ImportError&) {
      throw;
    } catch (const std::exception& e) {
      throw ImportError("cannot read " + PrintableText(path_) + ": " + PrintableText(e.what()) +
                        ". Nothing was written");
    }
  }

  const std::string& path_;
  const char* what_;
  Progress& progress_;
  osmium::thread::Pool pool_;
  int64_t size_;
  bool pbf_ = false;  // an uncompressed PBF file, whose blocks libosmium counts in the offset
  std::unique_ptr<osmium::io::Reader> reader_;
};

// The object's tags whose keys are among the keys (sorted), as RoadTags.
void ReadTags(const osmium::TagList& tags, const std::vector<std::string>& keys, RoadTags& out) {
  out.Clear();
  for (const osmium::Tag& tag : tags)
    if (std::binary_search(keys.begin(), keys.end(), tag.key())) out.Add(tag.key(), tag.value());
}

// The keys of the tags the rules read, and of barrier nodes, sorted.
std::vector<std::string> KeysRead(const RoadRules& rules) {
  std::vector<std::string> keys = rules.Keys();
  keys.insert(keys.end(), {"barrier", "kerb", "bollard"});
  std::sort(keys.begin(), keys.end());
  return keys;
}

// The first pass: the kept ways with their node ids, and the restrictions.
class WayPass {
 public:
  WayPass(const RoadRules& rules, const std::string& nameKey, const MapLimits& limits, OsmRoads& roads)
      : rules_(rules), nameKey_(nameKey), limits_(limits), roads_(roads), keys_(KeysRead(rules)) {}

  void Way(const osmium::Way& way) {
    ++roads_.waysRead;
    RoadTraits traits;
    bool tookDefault = false;
    const bool road = way.tags()["highway"] != nullptr;
    if (road) ReadTags(way.tags(), keys_, tags_);
    if (!road || !rules_.Judge(tags_, traits, tookDefault) || way.nodes().size() < 2) {
      ++roads_.waysLeftOut;
      return;
    }
    for (const osmium::NodeRef& node : way.nodes())
      if (nodeIds_.empty() || roads_.firstRef.back() == nodeIds_.size() || node.ref() != nodeIds_.back())
        nodeIds_.push_back(node.ref());
    roads_.wayIds.push_back(way.id());
    roads_.firstRef.push_back(nodeIds_.size());
    const char* name = way.tags()[nameKey_.c_str()];
    roads_.traits.push_back({roads_.names.Add(name ? CleanName(name) : std::string()), traits.oneway,
                             traits.roadClass, traits.speed});
    CheckBudget();
  }

  void Relation(const osmium::Relation& relation) {
    OsmRestriction restriction;
    if (ReadOsmRestriction(relation, rules_.Mode(), restriction, roads_.restrictionCounts))
      roads_.restrictions.push_back(std::move(restriction));
  }

  // The ids of the nodes the kept ways use, one entry per use.
  std::vector<int64_t>& NodeIds() { return nodeIds_; }

 private:
  // Raises ImportError as soon as the kept ways pass what a map holds:
  // each gives at least one segment, and the map keeps each node of each.
  void CheckBudget() const {
    const auto ways = static_cast<int64_t>(roads_.wayIds.size());
    const auto nodes = static_cast<int64_t>(nodeIds_.size());
    if (ways <= limits_.segments && nodes <= limits_.vertices) return;
    throw ImportError("the network does not fit a Ruvel map: its first " + std::to_string(roads_.waysRead) +
                      " ways already give " + std::to_string(ways) + " roads of " + std::to_string(nodes) +
                      " nodes (a map holds at most " + std::to_string(limits_.segments) + " segments and " +
                      std::to_string(limits_.vertices) +
                      " vertices); cut a smaller extract of the file. Nothing was written");
  }

  const RoadRules& rules_;
  const std::string& nameKey_;
  const MapLimits& limits_;
  OsmRoads& roads_;
  const std::vector<std::string> keys_;
  RoadTags tags_;
  std::vector<int64_t> nodeIds_;
};

// Turns the kept ways' node ids into indices among the distinct ids, which
// become the roads' nodes; sorts and looks up on two threads.
void IndexNodes(std::vector<int64_t>& uses, OsmRoads& roads) {
  std::vector<int64_t>& ids = roads.nodeIds;
  ids = uses;
  const auto at = [&ids](size_t i) { return ids.begin() + static_cast<std::ptrdiff_t>(i); };
  OnTwoThreads(ids.size(), [&](size_t begin, size_t end) { std::sort(at(begin), at(end)); });
  std::inplace_merge(ids.begin(), at(ids.size() / 2), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  ids.shrink_to_fit();
  roads.refs.resize(uses.size());
  OnTwoThreads(uses.size(), [&](size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i)
      roads.refs[i] = static_cast<uint32_t>(std::lower_bound(ids.begin(), ids.end(), uses[i]) - ids.begin());
  });
  std::vector<int64_t>().swap(uses);
}

// Finds node ids among the roads' sorted ones, fastest when they come in
// ascending order, as in most files.
class NodeFinder {
 public:
  explicit NodeFinder(const std::vector<int64_t>& ids) : ids_(ids) {}

  // The index of the id, or -1.
  int64_t Find(int64_t id) {
    if (next_ < ids_.size() && ids_[next_] < id) {
      // Gallop forward from the last place, then search what was passed.
      size_t step = 1, low = next_;
      while (next_ + step < ids_.size() && ids_[next_ + step] < id) {
        low = next_ + step;
        step *= 2;
      }
      next_ = static_cast<size_t>(
          std::lower_bound(
              ids_.begin() + static_cast<std::ptrdiff_t>(low),
              ids_.begin() + static_cast<std::ptrdiff_t>(std::min(ids_.size(), next_ + step + 1)), id) -
          ids_.begin());
    } else if (!(next_ < ids_.size() && ids_[next_] == id)) {
      next_ = static_cast<size_t>(std::lower_bound(ids_.begin(), ids_.end(), id) - ids_.begin());
    }
    return next_ < ids_.size() && ids_[next_] == id ? static_cast<int64_t>(next_) : -1;
  }

 private:
  const std::vector<int64_t>& ids_;
  size_t next_ = 0;
};

}  // namespace

OsmRoads ReadOsmRoads(const std::string& path, const RoadRules& rules, const std::string& nameKey,
                      const MapLimits& limits, Progress& progress) {
  OsmRoads roads;
  {
    WayPass ways(rules, nameKey, limits, roads);
    FilePass pass(path, osmium::osm_entity_bits::way | osmium::osm_entity_bits::relation,
                  "reading ways (pass 1 of 2)", progress);
    pass.ForEach([&](const osmium::OSMObject& object) {
      if (object.type() == osmium::item_type::way)
        ways.Way(static_cast<const osmium::Way&>(object));
      else
        ways.Relation(static_cast<const osmium::Relation&>(object));
      return true;
    });
    roads.wayIds.shrink_to_fit();
    roads.firstRef.shrink_to_fit();
    roads.traits.shrink_to_fit();
    IndexNodes(ways.NodeIds(), roads);
  }
  const size_t nodes = roads.nodeIds.size();
  roads.locations.assign(nodes, osmium::Location());
  roads.barriers.assign(nodes, BarrierEffect::kNone);
  NodeFinder finder(roads.nodeIds);
  const std::vector<std::string> keys = KeysRead(rules);
  RoadTags tags;
  size_t found = 0;
  FilePass pass(path, osmium::osm_entity_bits::node, "reading nodes (pass 2 of 2)", progress);
  pass.ForEach([&](const osmium::OSMObject& object) {
    const auto& node = static_cast<const osmium::Node&>(object);
    const int64_t at = finder.Find(node.id());
    if (at < 0 || roads.locations[static_cast<size_t>(at)].valid()) return true;
    roads.locations[static_cast<size_t>(at)] = node.location();
    if (node.tags()["barrier"]) {
      ReadTags(node.tags(), keys, tags);
      const BarrierEffect effect = rules.Barrier(tags);
      roads.barriers[static_cast<size_t>(at)] = effect;
      (effect == BarrierEffect::kBlocks ? roads.barriersBlocking : roads.barriersPassed) +=
          effect != BarrierEffect::kNone;
    }
    return ++found < nodes;  // every node the roads need is found: the rest of the file is not
  });
  return roads;
}
