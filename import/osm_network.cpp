#include "import/osm_network.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "import/import_error.h"
#include "import/map_projection.h"
#include "import/progress.h"
#include "import/two_threads.h"

namespace {

// How many ways left out as untransformable the report names.
constexpr size_t kNamedFailures = 3;

// What the builder knows of a node, as bits.
enum NodeState : uint8_t {
  kUsed = 1,       // a kept way uses it, and the file has it
  kPlaced = 2,     // its map position is known
  kUsedTwice = 4,  // ways use it twice or more
  kWayEnd = 8,     // a piece of a way begins or ends there
  kInPiece = 16,   // a piece of a kept way uses it
};

bool Inside(const osmium::Location& at, const double* box) {
  return at.lon() >= box[0] && at.lon() <= box[2] && at.lat() >= box[1] && at.lat() <= box[3];
}

// Whether the line from a to b crosses the box's edge (neither end inside).
bool CrossesBox(const osmium::Location& a, const osmium::Location& b, const double* box) {
  const double ax = a.lon(), ay = a.lat(), bx = b.lon(), by = b.lat();
  if (std::max(ax, bx) < box[0] || std::min(ax, bx) > box[2] || std::max(ay, by) < box[1] ||
      std::min(ay, by) > box[3])
    return false;
  // The line meets the box when the box's corners do not all lie on one side of it.
  const auto side = [&](double x, double y) { return (bx - ax) * (y - ay) - (by - ay) * (x - ax); };
  const double s[] = {side(box[0], box[1]), side(box[2], box[1]), side(box[0], box[3]), side(box[2], box[3])};
  return !(std::all_of(std::begin(s), std::end(s), [](double v) { return v > 0; }) ||
           std::all_of(std::begin(s), std::end(s), [](double v) { return v < 0; }));
}

// The network's builder: the state of every node and way on the way from
// the roads read to the map.
class Builder {
 public:
  explicit Builder(OsmRoads& roads)
      : roads_(roads), state_(roads.nodeIds.size(), 0), wayKept_(roads.wayIds.size(), 1) {}

  // Leaves out the ways whose line does not meet the box.
  void KeepInBox(const double* box) {
    for (size_t w = 0; w < wayKept_.size(); ++w) {
      bool meets = false;
      const osmium::Location* previous = nullptr;
      for (size_t r = roads_.firstRef[w]; r < roads_.firstRef[w + 1] && !meets; ++r) {
        const osmium::Location& at = roads_.locations[roads_.refs[r]];
        if (!at.valid()) {
          previous = nullptr;
          continue;
        }
        meets = Inside(at, box) || (previous && CrossesBox(*previous, at, box));
        previous = &at;
      }
      wayKept_[w] = meets;
    }
  }

  // Places every node a kept way uses in the map's UTM zone, chosen for
  // them; leaves out, and counts, the ways with a node that cannot be.
  void Place(MapProjection& projection, OsmNetwork& out) {
    GeoExtent extent;
    ForEachKeptRef([&](uint32_t node) {
      const osmium::Location& at = roads_.locations[node];
      if (!at.valid() || (state_[node] & kUsed)) return;
      state_[node] |= kUsed;
      extent.Add(at.lon(), at.lat());
    });
    projection.ChooseUtmZone(extent);
    positions_.resize(state_.size());
    std::vector<double> x, y;
    std::vector<uint32_t> nodes;
    for (uint32_t node = 0; node < state_.size(); ++node) {
      if (!(state_[node] & kUsed)) continue;
      x.push_back(roads_.locations[node].lon());
      y.push_back(roads_.locations[node].lat());
      nodes.push_back(node);
    }
    std::vector<int> placed;
    projection.ToMapEach(x, y, placed);
    for (size_t k = 0; k < nodes.size(); ++k) {
      if (!placed[k]) continue;
      positions_[nodes[k]] = {static_cast<int32_t>(std::lround(x[k])),
                              static_cast<int32_t>(std::lround(y[k]))};
      state_[nodes[k]] |= kPlaced;
    }
    LeaveOutUnplaced(out);
  }

  // Finds the junctions: counts each node's uses by the pieces of the kept
  // ways, and marks the pieces' ends; counts the ways cut.
  void FindJunctions(OsmNetwork& out) {
    for (size_t w = 0; w < wayKept_.size(); ++w) {
      if (!wayKept_[w]) continue;
      const bool cut = ForEachPiece(w, [&](size_t begin, size_t end) {
        for (size_t r = begin; r < end; ++r) {
          uint8_t& s = state_[roads_.refs[r]];
          if (s & kInPiece) s |= kUsedTwice;
          s |= kInPiece;
        }
        state_[roads_.refs[begin]] |= kWayEnd;
        state_[roads_.refs[end - 1]] |= kWayEnd;
      });
      out.cutWays += cut;
    }
  }

  // Calls visit(begin, end) on each piece of way w: a range of its refs
  // between nodes the file lacks, of two nodes or more whose positions are
  // not all one (the others are counted in collapsed, when given). Returns
  // whether the way lacks a node.
  template <typename Visit>
  bool ForEachPiece(size_t w, Visit visit, int64_t* collapsed = nullptr) const {
    const size_t first = roads_.firstRef[w], last = roads_.firstRef[w + 1];
    bool cut = false;
    for (size_t begin = first; begin < last;) {
      size_t end = begin;
      while (end < last && (state_[roads_.refs[end]] & kPlaced)) ++end;
      cut = cut || end < last;
      bool spread = false;
      for (size_t r = begin + 1; r < end && !spread; ++r)
        spread = !(positions_[roads_.refs[r]] == positions_[roads_.refs[begin]]);
      if (spread)
        visit(begin, end);
      else if (collapsed && end - begin >= 2)
        ++*collapsed;
      begin = end + 1;
    }
    return cut;
  }

  // Whether the node splits a way: a junction.
  bool IsJunction(uint32_t node) const {
    return (state_[node] & (kUsedTwice | kWayEnd)) || roads_.barriers[node] == BarrierEffect::kBlocks;
  }

  const MapPosition& PositionOf(uint32_t node) const { return positions_[node]; }

  // The index of each way's first segment, and at the end their count:
  // way w's segments come from first[w] up to first[w + 1].
  std::vector<int32_t> FirstSegments() const {
    std::vector<int32_t> first(wayKept_.size() + 1, 0);
    for (size_t w = 0; w < wayKept_.size(); ++w) {
      first[w + 1] = first[w];
      if (!wayKept_[w]) continue;
      ForEachPiece(w, [&](size_t begin, size_t end) {
        for (size_t r = begin + 1; r < end; ++r) first[w + 1] += IsJunction(roads_.refs[r]);
      });
    }
    return first;
  }

  // The geodesic length of each segment, in metres, the ways' segments
  // numbered by first: measured on two threads, each along its piece of way
  // from its start, as the lines of other sources are.
  std::vector<double> SegmentLengths(const std::vector<int32_t>& first) const {
    std::vector<double> lengths(static_cast<size_t>(first.back()));
    const auto measure = [&](size_t fromWay, size_t toWay) {
      for (size_t w = fromWay; w < toWay; ++w) {
        if (!wayKept_[w]) continue;
        auto segment = static_cast<size_t>(first[w]);
        ForEachPiece(w, [&](size_t begin, size_t end) {
          double along = 0, alongAtStart = 0;
          for (size_t r = begin + 1; r < end; ++r) {
            const osmium::Location &a = roads_.locations[roads_.refs[r - 1]],
                                   &b = roads_.locations[roads_.refs[r]];
            along += GeodesicMetres(a.lon(), a.lat(), b.lon(), b.lat());
            if (!IsJunction(roads_.refs[r])) continue;
            lengths[segment++] = along - alongAtStart;
            alongAtStart = along;
          }
        });
      }
    };
    OnTwoThreads(
        wayKept_.size(), measure,
        static_cast<size_t>(std::lower_bound(first.begin(), first.end(), first.back() / 2) - first.begin()));
    return lengths;
  }

  // Makes room in the network for the segments of the pieces, their
  // vertices and junctions, so that it never holds twice its size.
  void Reserve(size_t segments, RoadNetwork& network) const {
    size_t vertices = 0, junctions = 0;
    for (size_t w = 0; w < wayKept_.size(); ++w)
      if (wayKept_[w]) ForEachPiece(w, [&](size_t begin, size_t end) { vertices += end - begin; });
    for (uint32_t node = 0; node < state_.size(); ++node)
      junctions += IsJunction(node) && (state_[node] & kInPiece);
    network.segments.reserve(segments);
    network.vertices.reserve(vertices + segments);
    network.junctions.reserve(junctions + static_cast<size_t>(roads_.barriersBlocking) * 2);
  }

  const std::vector<uint8_t>& WayKept() const { return wayKept_; }

 private:
  // Calls visit on each node of each kept way.
  template <typename Visit>
  void ForEachKeptRef(Visit visit) {
    for (size_t w = 0; w < wayKept_.size(); ++w)
      if (wayKept_[w])
        for (size_t r = roads_.firstRef[w]; r < roads_.firstRef[w + 1]; ++r) visit(roads_.refs[r]);
  }

  // Leaves out the kept ways with a node the file has that cannot be placed.
  void LeaveOutUnplaced(OsmNetwork& out) {
    for (size_t w = 0; w < wayKept_.size(); ++w) {
      if (!wayKept_[w]) continue;
      for (size_t r = roads_.firstRef[w]; r < roads_.firstRef[w + 1]; ++r) {
        const uint32_t node = roads_.refs[r];
        if (!(state_[node] & kUsed) || (state_[node] & kPlaced)) continue;
        wayKept_[w] = 0;
        if (out.untransformable++ < static_cast<int64_t>(kNamedFailures)) {
          char text[160];
          std::snprintf(text, sizeof text, "way %lld: node %lld at (%.7f %.7f) cannot be placed in the map",
                        static_cast<long long>(roads_.wayIds[w]),
                        static_cast<long long>(roads_.nodeIds[node]), roads_.locations[node].lon(),
                        roads_.locations[node].lat());
          out.untransformableFirst.push_back(text);
        }
        break;
      }
    }
  }

  OsmRoads& roads_;
  std::vector<uint8_t> state_;
  std::vector<uint8_t> wayKept_;
  std::vector<MapPosition> positions_;
};

// Emits the segments of the kept ways' pieces into the network.
class SegmentWriter {
 public:
  SegmentWriter(const OsmRoads& roads, const Builder& builder, RoadNetwork& network)
      : roads_(roads), builder_(builder), network_(network), codes_(roads.barriers.size(), 0) {}

  // Emits the segments of the piece refs[begin, end) of way w, whose
  // lengths in metres come in order from lengths.
  void Piece(size_t w, size_t begin, size_t end, const double*& lengths) {
    const WayTraits& traits = roads_.traits[w];
    int32_t from = CodeOf(roads_.refs[begin]);
    size_t start = begin;
    for (size_t k = begin + 1; k < end; ++k) {
      const uint32_t node = roads_.refs[k];
      if (!builder_.IsJunction(node)) continue;
      const double metres = *lengths++;
      RoadSegment segment;
      segment.from = from;
      segment.to = CodeOf(node);
      segment.length = std::max<int64_t>(0, std::llround(metres));
      segment.name = traits.name;
      segment.oneway = traits.oneway;
      segment.roadClass = traits.roadClass;
      if (traits.speed > 0) segment.duration = TenthsOfSecond(metres, traits.speed);
      AddSegment(segment, start, k);
      start = k;
      // A blocking barrier is a junction of its own for each segment.
      from = roads_.barriers[node] == BarrierEffect::kBlocks && k + 1 < end ? NewJunction(node) : segment.to;
    }
  }

  // The junction code of a node that is one, 0 for a blocking barrier.
  int32_t CodeAt(uint32_t node) const { return codes_[node]; }

 private:
  int32_t NewJunction(uint32_t node) {
    network_.junctions.push_back(builder_.PositionOf(node));
    return static_cast<int32_t>(network_.junctions.size());
  }

  // The junction of the node: its own, numbered on first use, or for a
  // blocking barrier a new one.
  int32_t CodeOf(uint32_t node) {
    if (roads_.barriers[node] == BarrierEffect::kBlocks) return NewJunction(node);
    if (codes_[node] == 0) codes_[node] = NewJunction(node);
    return codes_[node];
  }

  // Adds the segment with the positions of refs[start, k], without a
  // position repeated just after itself; a segment between two junctions
  // at one position keeps that position twice.
  void AddSegment(RoadSegment& segment, size_t start, size_t k) {
    segment.firstVertex = network_.vertices.size();
    for (size_t r = start; r <= k; ++r) {
      const MapPosition& at = builder_.PositionOf(roads_.refs[r]);
      if (network_.vertices.size() == segment.firstVertex || !(network_.vertices.back() == at))
        network_.vertices.push_back(at);
    }
    if (network_.vertices.size() - segment.firstVertex == 1)
      network_.vertices.push_back(network_.vertices.back());
    network_.segments.push_back(segment);
  }

  const OsmRoads& roads_;
  const Builder& builder_;
  RoadNetwork& network_;
  std::vector<int32_t> codes_;
};

// The ways and the network as resolving restrictions sees them.
class WaysInNetwork : public RestrictedWays {
 public:
  WaysInNetwork(const OsmRoads& roads, const RoadNetwork& network, const SegmentWriter& writer,
                const std::vector<int32_t>& firstSegment)
      : roads_(roads), network_(network), writer_(writer), firstSegment_(firstSegment) {}

  uint32_t FirstNode(int64_t way) const override {
    return roads_.refs[roads_.firstRef[static_cast<size_t>(way)]];
  }
  uint32_t LastNode(int64_t way) const override {
    return roads_.refs[roads_.firstRef[static_cast<size_t>(way) + 1] - 1];
  }
  int32_t NodeCode(uint32_t node) const override { return writer_.CodeAt(node); }
  bool NodeBlocks(uint32_t node) const override { return roads_.barriers[node] == BarrierEffect::kBlocks; }
  bool WayBlocked(int64_t way) const override {
    for (size_t r = roads_.firstRef[static_cast<size_t>(way)];
         r < roads_.firstRef[static_cast<size_t>(way) + 1]; ++r)
      if (NodeBlocks(roads_.refs[r])) return true;
    return false;
  }
  std::pair<int32_t, int32_t> Segments(int64_t way) const override {
    return {firstSegment_[static_cast<size_t>(way)], firstSegment_[static_cast<size_t>(way) + 1]};
  }
  std::pair<int32_t, int32_t> SegmentEnds(int32_t segment) const override {
    const RoadSegment& s = network_.segments[static_cast<size_t>(segment)];
    return {s.from, s.to};
  }

 private:
  const OsmRoads& roads_;
  const RoadNetwork& network_;
  const SegmentWriter& writer_;
  const std::vector<int32_t>& firstSegment_;
};

}  // namespace

OsmNetwork BuildOsmNetwork(OsmRoads& roads, MapProjection& projection, const double* box,
                           Progress& progress) {
  OsmNetwork out;
  Builder builder(roads);
  if (box) builder.KeepInBox(box);
  builder.Place(projection, out);
  builder.FindJunctions(out);
  RoadNetwork& network = out.network;
  const std::vector<int32_t> firstSegment = builder.FirstSegments();
  const std::vector<double> lengths = builder.SegmentLengths(firstSegment);
  // The rest no longer needs the nodes' locations and the ids: they go.
  std::vector<osmium::Location>().swap(roads.locations);
  IndexRestrictionMembers(roads.restrictions, roads.wayIds, roads.nodeIds);
  std::vector<int64_t>().swap(roads.wayIds);
  std::vector<int64_t>().swap(roads.nodeIds);
  builder.Reserve(lengths.size(), network);
  network.names = std::move(roads.names);
  SegmentWriter writer(roads, builder, network);
  const size_t ways = roads.traits.size();
  const double* length = lengths.data();
  for (size_t w = 0; w < ways; ++w) {
    if (builder.WayKept()[w])
      builder.ForEachPiece(
          w, [&](size_t begin, size_t end) { writer.Piece(w, begin, end, length); }, &network.collapsedLines);
    out.keptWays += firstSegment[w] < firstSegment[w + 1];
    if (w % 4096 == 0)
      progress.Update("finding junctions", static_cast<int64_t>(w), static_cast<int64_t>(ways));
  }
  if (!roads.restrictions.empty())
    out.restrictions = ResolveRestrictions(
        roads.restrictions, WaysInNetwork(roads, network, writer, firstSegment), roads.restrictionCounts);
  return out;
}
