#include "map/road_graph.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "map/grow_only.h"
#include "map/map_store.h"
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

// Bounds over every point and vertex; all 0 when there are no points, and the
// segments are then not looked at.
Bounds MapBounds() {
  if (pointCount == 0) return {0, 0, 0, 0};
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  Bounds b{kMax, kMax, -kMax, -kMax};
  for (int32_t i = 0; i < pointCount; ++i) Widen(b, points[i].X, points[i].Y);
  for (int32_t j = 0; j < segmentCount; ++j) {
    const DynamicArray<TPoint>& vertices = segments[j].Vertices;
    for (int32_t k = 0; k < vertices.Length(); ++k) Widen(b, vertices[k].x, vertices[k].y);
  }
  return b;
}

// The distinct codes carried by points, numbered 0, 1, ... in order of first
// appearance, with lookups in constant time. Codes that lie close together
// (as a map's codes 1..n do) are looked up in a table indexed by the code
// itself, which is read in order and stays in the cache; scattered codes in
// an open-addressing hash table.
class CodeIndex {
 public:
  // Room for the codes of the first count points.
  CodeIndex(const DynamicArray<TFieldM>& table, int32_t count) {
    int64_t low = 0, high = -1;
    for (int32_t i = 0; i < count; ++i) {
      const int32_t code = table[i].Code;
      low = i == 0 ? code : std::min<int64_t>(low, code);
      high = i == 0 ? code : std::max<int64_t>(high, code);
    }
    dense_ = high - low < 4 * int64_t{count} + 16;
    if (dense_) {
      low_ = low;
      slots_.assign(static_cast<size_t>(high - low + 1), -1);
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

// Grows the graph arrays for lists of `lists` points holding `entries`
// entries in all.
void GrowGraphArrays(int32_t lists, int64_t entries) {
  if (entries > MAP_ITEM_LIMIT) {
    throw Exception("Map too large: " + std::to_string(entries) + " adjacency entries, at most " +
                    std::to_string(MAP_ITEM_LIMIT));
  }
  GrowTo(nodeStart, static_cast<size_t>(lists) + 1);
  for (std::vector<int32_t>* array : {&adjNode, &adjLength, &adjSegment})
    GrowTo(*array, static_cast<size_t>(entries));
}

void BuildGraph() {
  const Bounds bounds = MapBounds();

  // Number the codes, then gather each code's entries in segment order:
  // [codeStart[c], codeStart[c + 1]) of codeEntries.
  CodeIndex codes(points, pointCount);
  std::vector<int32_t> pointCode(pointCount);
  for (int32_t i = 0; i < pointCount; ++i) pointCode[i] = codes.Insert(points[i].Code);

  std::vector<int32_t> codeStart(codes.Count() + 1, 0);
  std::vector<int32_t> fromCode(segmentCount), toCode(segmentCount);
  for (int32_t j = 0; j < segmentCount; ++j) {
    const TFieldS& s = segments[j];
    const int8_t oneway = OnewayOf(j);
    fromCode[j] = oneway < 0 ? -1 : codes.Find(s.From);
    toCode[j] = s.To == s.From || oneway > 0 ? -1 : codes.Find(s.To);  // a loop is entered once
    if (fromCode[j] >= 0) ++codeStart[fromCode[j] + 1];
    if (toCode[j] >= 0) ++codeStart[toCode[j] + 1];
  }
  int64_t total = 0;
  for (int32_t i = 0; i < pointCount; ++i) total += codeStart[pointCode[i] + 1];
  GrowGraphArrays(pointCount, total);

  for (int32_t c = 0; c < codes.Count(); ++c) codeStart[c + 1] += codeStart[c];
  std::vector<Entry> codeEntries(codeStart.back());
  std::vector<int32_t> fill(codeStart.begin(), codeStart.end() - 1);
  for (int32_t j = 0; j < segmentCount; ++j) {
    const TFieldS& s = segments[j];
    const int32_t weight = WeightOf(j);
    if (fromCode[j] >= 0) codeEntries[fill[fromCode[j]]++] = {s.To, weight, j};
    if (toCode[j] >= 0) codeEntries[fill[toCode[j]]++] = {s.From, weight, j};
  }

  minX = bounds.minX;
  minNegY = bounds.minNegY;
  maxX = bounds.maxX;
  maxNegY = bounds.maxNegY;
  nodeCount = 0;
  adjCount = 0;
  for (int32_t i = 0; i < pointCount; ++i) {
    nodeStart[nodeCount++] = adjCount;
    for (int32_t e = codeStart[pointCode[i]]; e < codeStart[pointCode[i] + 1]; ++e) {
      adjNode[adjCount] = codeEntries[e].node;
      adjLength[adjCount] = codeEntries[e].length;
      adjSegment[adjCount] = codeEntries[e].segment;
      ++adjCount;
    }
  }
  nodeStart[nodeCount] = adjCount;
  ++graphGeneration;
}

}  // namespace

void BuildRoadGraph() {
  try {
    BuildGraph();
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory building the road graph of " + std::to_string(pointCount) +
                       " points and " + std::to_string(segmentCount) + " segments");
  }
}
