#include "bench/osm_city_map.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <osmium/builder/attr.hpp>
#include <osmium/io/pbf_output.hpp>
#include <osmium/io/writer.hpp>
#include <osmium/memory/buffer.hpp>
#include <osmium/osm/location.hpp>
#include <string>
#include <utility>
#include <vector>

#include "bench/city_scale_map.h"

namespace {

using namespace osmium::builder::attr;  // NOLINT(build/namespaces): the builder's attribute names
using osmium::builder::add_node;
using osmium::builder::add_relation;
using osmium::builder::add_way;
using Tags = std::vector<std::pair<const char*, const char*>>;

constexpr size_t kFlushBytes = 8 << 20;  // a buffer's fill that goes to the writer
constexpr int kOnewayEvery = 7, kBarrierEvery = 53, kRestrictionEvery = 211;

// Degrees of the generator's metres: an equirectangular projection whose
// origin lies at 50 N 10 E.
osmium::Location ToLocation(const CityPosition& p) {
  constexpr double kMetresPerDegree = 111320, kOriginLat = 50, kOriginLon = 10;
  static const double metresPerLonDegree = kMetresPerDegree * std::cos(kOriginLat * M_PI / 180);
  return {kOriginLon + p.x / metresPerLonDegree, kOriginLat + p.y / kMetresPerDegree};
}

// The buffer of objects not yet written, handed to the writer whenever it
// holds kFlushBytes, and at the end.
class ObjectSink {
 public:
  explicit ObjectSink(const std::string& path) : writer_(path, Header(), osmium::io::overwrite::allow) {}

  // Where the next object is built.
  osmium::memory::Buffer& Buffer() { return buffer_; }

  // Called after each object built: writes the buffer once it is full.
  void Committed() {
    if (buffer_.committed() < kFlushBytes) return;
    writer_(std::move(buffer_));
    buffer_ = NewBuffer();
  }

  // Writes what is left and closes the file.
  void Close() {
    writer_(std::move(buffer_));
    writer_.close();
  }

 private:
  static osmium::io::Header Header() {
    osmium::io::Header header;
    header.set("generator", "ruvel_bench");
    header.set("sorting", "Type_then_ID");
    return header;
  }
  static osmium::memory::Buffer NewBuffer() {
    return osmium::memory::Buffer(kFlushBytes + (1 << 20), osmium::memory::Buffer::auto_grow::yes);
  }

  osmium::io::Writer writer_;
  osmium::memory::Buffer buffer_ = NewBuffer();
};

// The highway tag's value for a road class.
const char* HighwayOf(const char* roadClass) {
  return std::string(roadClass) == "minor" ? "residential" : roadClass;
}

// Whether road r's bend node is a barrier: one bent minor street in
// kBarrierEvery.
bool HasBarrier(const CityRoad& road, size_t r) {
  return r % kBarrierEvery == 0 && road.vertices.size() == 3 && std::string(road.roadClass) == "minor";
}

// Calls visit(position, tags) for each used node in id order: the
// junctions, then the roads' bend vertices in road order.
template <typename Visit>
void ForEachUsedNode(const CityNetwork& net, Visit visit) {
  for (const CityPosition& p : net.junctions) visit(p, Tags{});
  for (size_t r = 0; r < net.roads.size(); ++r) {
    const CityRoad& road = net.roads[r];
    const Tags tags =
        HasBarrier(road, r) ? Tags{{"barrier", r / kBarrierEvery % 2 ? "gate" : "bollard"}} : Tags{};
    for (size_t k = 1; k + 1 < road.vertices.size(); ++k) visit(road.vertices[k], tags);
  }
}

// The used nodes, then as many unused ones again, each a few metres off a
// used one.
void WriteNodes(const CityNetwork& net, ObjectSink& sink) {
  osmium::object_id_type id = 0;
  ForEachUsedNode(net, [&](const CityPosition& p, const Tags& tags) {
    add_node(sink.Buffer(), _id(++id), _version(1), _location(ToLocation(p)), _tags(tags));
    sink.Committed();
  });
  ForEachUsedNode(net, [&](const CityPosition& p, const Tags&) {
    add_node(sink.Buffer(), _id(++id), _version(1), _location(ToLocation({p.x + 7, p.y + 4})));
    sink.Committed();
  });
}

// The roads as ways, their nodes numbered as ForEachUsedNode visits them:
// junction i is node i + 1, the bend vertices follow.
void WriteWays(const CityNetwork& net, ObjectSink& sink) {
  auto bend = static_cast<osmium::object_id_type>(net.junctions.size());
  std::vector<osmium::object_id_type> nodes;
  for (size_t r = 0; r < net.roads.size(); ++r) {
    const CityRoad& road = net.roads[r];
    nodes.assign(1, road.from + 1);
    for (size_t k = 1; k + 1 < road.vertices.size(); ++k) nodes.push_back(++bend);
    nodes.push_back(road.to + 1);
    const std::string name = "Road " + std::to_string(r + 1);
    Tags tags{{"highway", HighwayOf(road.roadClass)}, {"name", name.c_str()}};
    if (r % kOnewayEvery == 3 && std::string(road.roadClass) != "motorway") tags.push_back({"oneway", "yes"});
    add_way(sink.Buffer(), _id(static_cast<osmium::object_id_type>(r + 1)), _version(1), _nodes(nodes),
            _tags(tags));
    sink.Committed();
  }
}

// A no_left_turn restriction from a road to the next one where the two
// start at the same junction (a town's street east and the one north).
void WriteRestrictions(const CityNetwork& net, ObjectSink& sink) {
  osmium::object_id_type id = 0;
  for (size_t r = 0; r + 1 < net.roads.size(); r += kRestrictionEvery) {
    if (net.roads[r].from != net.roads[r + 1].from) continue;
    add_relation(sink.Buffer(), _id(++id), _version(1),
                 _member(osmium::item_type::way, static_cast<osmium::object_id_type>(r + 1), "from"),
                 _member(osmium::item_type::node, net.roads[r].from + 1, "via"),
                 _member(osmium::item_type::way, static_cast<osmium::object_id_type>(r + 2), "to"),
                 _tags({{"type", "restriction"}, {"restriction", "no_left_turn"}}));
    sink.Committed();
  }
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

std::string WriteOsmCityMap(const std::string& folder, int scale) {
  const std::string path = folder + "/city.osm.pbf";
  if (Exists(path)) return path;
  ::mkdir(folder.c_str(), 0755);
  const CityNetwork net = BuildCityScaleNetwork(scale);
  // Written under another name and renamed, so that a run cut short leaves
  // no file a later run would take for finished.
  const std::string part = path + ".part.osm.pbf";
  ObjectSink sink(part);
  WriteNodes(net, sink);
  WriteWays(net, sink);
  WriteRestrictions(net, sink);
  sink.Close();
  std::rename(part.c_str(), path.c_str());
  return path;
}
