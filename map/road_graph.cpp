#include "map/road_graph.h"

#include <algorithm>
#include <array>
#include <exception>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "map/load_cancelled.h"
#include "map/map_store.h"
#include "map/run_together.h"
#include "toolkit/exceptions.h"

int32_t minX = 0;
int32_t minNegY = 0;
int32_t maxX = 0;
int32_t maxNegY = 0;

uint32_t graphGeneration = 0;
bool graphWeighsDurations = false;

int32_t nodeCount = 0;
int32_t adjCount = 0;
std::vector<int32_t> nodeStart(GRAPH_CAPACITY);
std::vector<int32_t> adjNode(GRAPH_CAPACITY);
std::vector<int32_t> adjLength(GRAPH_CAPACITY);
std::vector<int32_t> adjSegment(GRAPH_CAPACITY);

namespace {

struct Bounds {
  int32_t minX, minNegY, maxX, maxNegY;
};

// The four tests are independent and strict, as a point may widen several.
void Widen(Bounds& b, int32_t x, int32_t y) {
  const int32_t negY = NegateY(y);
  if (x < b.minX) b.minX = x;
  if (negY < b.minNegY) b.minNegY = negY;
  if (x > b.maxX) b.maxX = x;
  if (negY > b.maxNegY) b.maxNegY = negY;
}

// The smallest bounds, which any point widens.
Bounds Unwidened() {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  return {kMax, kMax, -kMax, -kMax};
}

// The smallest and largest code points carry; empty (high < low) for no
// point.
struct CodeRange {
  int64_t low = 0, high = -1;
};

// The points' bounds and code range, and each point's code into pointCode,
// in one pass over the table: its rows are large, and read once.
Bounds ScanPoints(std::vector<int32_t>& pointCode, CodeRange& range) {
  Bounds b = Unwidened();
  for (int32_t i = 0; i < pointCount; ++i) {
    const TFieldM& point = points[i];
    Widen(b, point.X, point.Y);
    pointCode[i] = point.Code;
    range.low = i == 0 ? point.Code : std::min<int64_t>(range.low, point.Code);
    range.high = i == 0 ? point.Code : std::max<int64_t>(range.high, point.Code);
  }
  return b;
}

Bounds VertexBounds() {
  Bounds b = Unwidened();
  for (int32_t j = 0; j < segmentCount; ++j) {
    const DynamicArray<TPoint>& vertices = segments[j].Vertices;
    for (int32_t k = 0; k < vertices.Length(); ++k) Widen(b, vertices[k].x, vertices[k].y);
  }
  return b;
}

// Bounds over every point and vertex, from the bounds of each; all 0 when
// there are no points, whatever the segments hold.
Bounds MapBounds(const Bounds& points, const Bounds& vertices) {
  if (pointCount == 0) return {0, 0, 0, 0};
  return {std::min(points.minX, vertices.minX), std::min(points.minNegY, vertices.minNegY),
          std::max(points.maxX, vertices.maxX), std::max(points.maxNegY, vertices.maxNegY)};
}

// The distinct codes carried by points, numbered 0, 1, ... in order of first
// appearance, with lookups in constant time. Codes that lie close together
// (as a map's codes 1..n do) are looked up in a table indexed by the code
// itself, which is read in order and stays in the cache; scattered codes in
// an open-addressing hash table.
class CodeIndex {
 public:
  // Room for count codes, which lie in range.
  CodeIndex(CodeRange range, int32_t count) {
    dense_ = range.high - range.low < 4 * int64_t{count} + 16;
    if (dense_) {
      low_ = range.low;
      slots_.assign(static_cast<size_t>(range.high - range.low + 1), -1);
      return;
    }
    size_t size = 16;
    while (size < 2 * static_cast<size_t>(count)) size *= 2;
    keys_.resize(size);
    slots_.assign(size, -1);
  }

  // The number of code, which some point carries; a new one when the code is
  // new.
  int32_t Insert(int32_t code) {
    const size_t at = dense_ ? static_cast<size_t>(code - low_) : Probe(code);
    if (slots_[at] < 0) {
      if (!dense_) keys_[at] = code;
      slots_[at] = count_++;
    }
    return slots_[at];
  }

  // The number of code, or -1 when no point carries it.
  int32_t Find(int32_t code) const {
    if (!dense_) return slots_[Probe(code)];
    const int64_t at = code - low_;
    return at >= 0 && at < static_cast<int64_t>(slots_.size()) ? slots_[static_cast<size_t>(at)] : -1;
  }

  int32_t Count() const { return count_; }

 private:
  size_t Probe(int32_t code) const {
    const size_t mask = keys_.size() - 1;
    size_t at = (static_cast<uint32_t>(code) * 2654435769u) & mask;
    while (slots_[at] >= 0 && keys_[at] != code) at = (at + 1) & mask;
    return at;
  }

  bool dense_ = false;
  int64_t low_ = 0;             // the smallest code, in the dense table
  std::vector<int32_t> keys_;   // the code in each slot, in the hash table
  std::vector<int32_t> slots_;  // the number of the code, -1 for none
  int32_t count_ = 0;
};

// One adjacency entry, before it is copied into the parallel arrays.
struct Entry {
  int32_t node, length, segment;
};

// The direction segment j may be driven in: 0 both ways, 1 only from From
// to To, -1 only from To to From.
int8_t OnewayOf(int32_t j) { return static_cast<size_t>(j) < segmentOneway.size() ? segmentOneway[j] : 0; }

// The weight of segment j's entries: its duration when the graph weighs
// durations and the map has them, else its length.
int32_t WeightOf(int32_t j) {
  return graphWeighsDurations && static_cast<size_t>(j) < segmentDuration.size() ? segmentDuration[j]
                                                                                 : segments[j].Length;
}

// The numbers of the codes whose lists segment j is entered in: its From's
// and its To's, -1 where it has no entry (an end that may not be left, the
// second end of a loop, a code no point carries).
struct EntryCodes {
  int32_t from, to;
};
EntryCodes EntryCodesOf(const CodeIndex& codes, int32_t j) {
  const TFieldS& s = segments[j];
  const int8_t oneway = OnewayOf(j);
  return {oneway < 0 ? -1 : codes.Find(s.From), s.To == s.From || oneway > 0 ? -1 : codes.Find(s.To)};
}

// Checks for a cancel once in this many points or segments.
constexpr int32_t kCancelStride = 1 << 16;

// The bounds and the graph, built aside and put in place only once
// complete, so that a failed or cancelled build leaves the earlier ones.
struct BuiltGraph {
  Bounds bounds{};
  std::vector<int32_t> nodeStart, adjNode, adjLength, adjSegment;
};

// The segments [first, last) one half of the build looks at.
struct SegmentRange {
  int32_t first, last;
};

// Both halves of the segment table, so that each core takes one.
std::array<SegmentRange, 2> SegmentHalves() {
  const int32_t middle = segmentCount / 2;
  return {SegmentRange{0, middle}, SegmentRange{middle, segmentCount}};
}

// Counts the entries the segments of range add to each code's list:
// counts[c] for code number c.
void CountEntries(const CodeIndex& codes, SegmentRange range, std::vector<int32_t>& counts,
                  LoadProgress* progress) {
  counts.assign(codes.Count(), 0);
  for (int32_t j = range.first; j < range.last; ++j) {
    if (j % kCancelStride == 0) CheckCancel(progress);
    const EntryCodes at = EntryCodesOf(codes, j);
    if (at.from >= 0) ++counts[at.from];
    if (at.to >= 0) ++counts[at.to];
  }
}

// Fills the entries of the segments of range in place when every point
// carries a code of its own: each code's entries then are that point's
// list. codeFill holds, per code, where the range's next entry goes.
void FillOwnLists(const CodeIndex& codes, SegmentRange range, std::vector<int32_t>& codeFill,
                  BuiltGraph& graph, LoadProgress* progress) {
  const auto put = [&](int32_t code, int32_t node, int32_t weight, int32_t j) {
    const int32_t at = codeFill[code]++;
    graph.adjNode[at] = node;
    graph.adjLength[at] = weight;
    graph.adjSegment[at] = j;
  };
  for (int32_t j = range.first; j < range.last; ++j) {
    if (j % kCancelStride == 0) CheckCancel(progress);
    const EntryCodes at = EntryCodesOf(codes, j);
    if (at.from >= 0) put(at.from, segments[j].To, WeightOf(j), j);
    if (at.to >= 0) put(at.to, segments[j].From, WeightOf(j), j);
  }
}

// Fills the entry arrays when points share codes: each code's entries are
// gathered first ([codeStart[c], codeStart[c + 1])), then copied to every
// point carrying the code.
void FillSharedLists(const CodeIndex& codes, std::vector<int32_t>& codeStart,
                     const std::vector<int32_t>& pointCode, BuiltGraph& graph, LoadProgress* progress) {
  std::vector<Entry> codeEntries(codeStart.back());
  std::vector<int32_t> fill(codeStart.begin(), codeStart.end() - 1);
  for (int32_t j = 0; j < segmentCount; ++j) {
    if (j % kCancelStride == 0) CheckCancel(progress);
    const EntryCodes at = EntryCodesOf(codes, j);
    if (at.from >= 0) codeEntries[fill[at.from]++] = {segments[j].To, WeightOf(j), j};
    if (at.to >= 0) codeEntries[fill[at.to]++] = {segments[j].From, WeightOf(j), j};
  }
  for (int32_t i = 0; i < pointCount; ++i) {
    int32_t to = graph.nodeStart[i];
    for (int32_t e = codeStart[pointCode[i]]; e < codeStart[pointCode[i] + 1]; ++e, ++to) {
      graph.adjNode[to] = codeEntries[e].node;
      graph.adjLength[to] = codeEntries[e].length;
      graph.adjSegment[to] = codeEntries[e].segment;
    }
  }
}

// Sets each point's list start from the number of entries of its code,
// and sizes the entry arrays, on both cores; a map of more than
// MAP_ITEM_LIMIT entries raises Exception.
void PlaceLists(const std::vector<int32_t>& codeStart, const std::vector<int32_t>& pointCode,
                BuiltGraph& graph) {
  const auto listLength = [&](int32_t i) { return codeStart[pointCode[i] + 1] - codeStart[pointCode[i]]; };
  int64_t total = 0;
  for (int32_t i = 0; i < pointCount; ++i) total += listLength(i);
  if (total > MAP_ITEM_LIMIT) {
    throw Exception("Map too large: " + std::to_string(total) + " adjacency entries, at most " +
                    std::to_string(MAP_ITEM_LIMIT));
  }
  const auto entries = static_cast<size_t>(total);
  RunTogether(
      [&] {
        graph.adjNode.resize(entries);
        graph.adjLength.resize(entries);
      },
      [&] {
        graph.adjSegment.resize(entries);
        graph.nodeStart.resize(static_cast<size_t>(pointCount) + 1);
        int32_t start = 0;
        for (int32_t i = 0; i < pointCount; ++i) {
          graph.nodeStart[i] = start;
          start += listLength(i);
        }
        graph.nodeStart[pointCount] = start;
      });
}

// The bounds and graph, each half of the work on a core of its own: the
// vertices' bounds beside the points' and their codes, then each half of
// the segment table counted and filled beside the other. Lists stay in
// segment table order, as the first half's entries go before the second's.
BuiltGraph BuildGraph(LoadProgress* progress) {
  CheckCancel(progress);
  BuiltGraph graph;
  const std::array<SegmentRange, 2> halves = SegmentHalves();

  // Number the codes; count each code's entries.
  Bounds pointBounds, vertexBounds;
  std::unique_ptr<CodeIndex> codes;
  std::vector<int32_t> pointCode(pointCount);
  RunTogether([&] { vertexBounds = VertexBounds(); },
              [&] {
                CodeRange range;
                pointBounds = ScanPoints(pointCode, range);
                codes = std::make_unique<CodeIndex>(range, pointCount);
                for (int32_t i = 0; i < pointCount; ++i) pointCode[i] = codes->Insert(pointCode[i]);
              });
  graph.bounds = MapBounds(pointBounds, vertexBounds);
  std::array<std::vector<int32_t>, 2> counts;
  RunTogether([&] { CountEntries(*codes, halves[1], counts[1], progress); },
              [&] { CountEntries(*codes, halves[0], counts[0], progress); });

  // Each point's list takes its code's entries: [codeStart[c], codeStart[c + 1]).
  std::vector<int32_t> codeStart(codes->Count() + 1, 0);
  for (int32_t c = 0; c < codes->Count(); ++c) codeStart[c + 1] = codeStart[c] + counts[0][c] + counts[1][c];
  PlaceLists(codeStart, pointCode, graph);
  if (codes->Count() < pointCount) {
    FillSharedLists(*codes, codeStart, pointCode, graph, progress);
    return graph;
  }
  // counts become each half's fill positions: the first half's entries
  // open each list, the second's follow them.
  for (int32_t i = 0; i < pointCount; ++i) {
    const int32_t c = pointCode[i];
    const int32_t second = graph.nodeStart[i] + counts[0][c];
    counts[0][c] = graph.nodeStart[i];
    counts[1][c] = second;
  }
  RunTogether([&] { FillOwnLists(*codes, halves[1], counts[1], graph, progress); },
              [&] { FillOwnLists(*codes, halves[0], counts[0], graph, progress); });
  return graph;
}

// Puts the first `used` elements of built in place of array's: into array
// when it holds that many, so that its elements past them stay as an
// earlier, larger map left them; else built becomes the array.
void Install(std::vector<int32_t>& array, std::vector<int32_t>& built) {
  if (array.size() >= built.size()) {
    std::copy(built.begin(), built.end(), array.begin());
  } else {
    array.swap(built);
  }
}

void InstallGraph(BuiltGraph& graph) {
  minX = graph.bounds.minX;
  minNegY = graph.bounds.minNegY;
  maxX = graph.bounds.maxX;
  maxNegY = graph.bounds.maxNegY;
  nodeCount = pointCount;
  adjCount = graph.nodeStart[pointCount];
  Install(nodeStart, graph.nodeStart);
  Install(adjNode, graph.adjNode);
  Install(adjLength, graph.adjLength);
  Install(adjSegment, graph.adjSegment);
  ++graphGeneration;
}

}  // namespace

void BuildRoadGraph(LoadProgress* progress) {
  BuiltGraph graph;
  try {
    graph = BuildGraph(progress);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory building the road graph of " + std::to_string(pointCount) +
                       " points and " + std::to_string(segmentCount) + " segments");
  }
  InstallGraph(graph);
}
