#include "map/road_graph.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "map/bounds.h"
#include "map/grow_only.h"
#include "map/load_cancelled.h"
#include "map/map_store.h"
#include "map/run_together.h"
#include "toolkit/exceptions.h"
#include "toolkit/memory_pages.h"

int32_t minX = 0;
int32_t minNegY = 0;
int32_t maxX = 0;
int32_t maxNegY = 0;

uint32_t graphGeneration = 0;
bool graphWeighsDurations = false;

int32_t nodeCount = 0;
int32_t adjCount = 0;
std::vector<int32_t> nodeStart = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> adjNode = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> adjLength = MappedArray<int32_t>(GRAPH_CAPACITY);
std::vector<int32_t> adjSegment = MappedArray<int32_t>(GRAPH_CAPACITY);

namespace {

// The bounds of every point of a and of b.
Bounds Union(const Bounds& a, const Bounds& b) {
  return {std::min(a.minX, b.minX), std::min(a.minNegY, b.minNegY), std::max(a.maxX, b.maxX),
          std::max(a.maxNegY, b.maxNegY)};
}

// A run of points' bounds and what their codes are like: their range
// (empty, high < low, for no point) and whether they run first, first + 1,
// ... in table order, as a map numbers its points, so that a code's number
// is the code less the lowest. One pass over the table: its rows are large.
struct PointScan {
  Bounds bounds = Unwidened();
  int64_t low = 0, high = -1;
  bool consecutive = true;
  int64_t first = 0;  // the first point's code
  int32_t count = 0;  // the points scanned
};

// The scan of the points [begin, end).
PointScan ScanPoints(int32_t begin, int32_t end) {
  PointScan scan;
  scan.count = end - begin;
  const TFieldM* const point = scan.count > 0 ? &points[begin] : nullptr;
  for (int32_t i = 0; i < scan.count; ++i) {
    Widen(scan.bounds, point[i].X, point[i].Y);
    if (i == 0) scan.first = scan.low = scan.high = point[i].Code;
    scan.consecutive = scan.consecutive && point[i].Code == scan.first + i;
    scan.low = std::min<int64_t>(scan.low, point[i].Code);
    scan.high = std::max<int64_t>(scan.high, point[i].Code);
  }
  return scan;
}

// The scan of a's points followed by b's.
PointScan Joined(const PointScan& a, const PointScan& b) {
  if (a.count == 0) return b;
  if (b.count == 0) return a;
  return {Union(a.bounds, b.bounds),
          std::min(a.low, b.low),
          std::max(a.high, b.high),
          a.consecutive && b.consecutive && b.first == a.first + a.count,
          a.first,
          a.count + b.count};
}

// The scan of every point, each half of the table on a core of its own.
PointScan ScanAllPoints() {
  const int32_t middle = pointCount / 2;
  std::array<PointScan, 2> halves;
  RunTogether([&] { halves[1] = ScanPoints(middle, pointCount); },
              [&] { halves[0] = ScanPoints(0, middle); });
  return Joined(halves[0], halves[1]);
}

// The bounds of the segments' vertices, shared out in runs of segments to
// whichever core asks for more, so that both finish together whatever else
// each had to do first.
class VertexBounds {
 public:
  // The bounds of the runs this call takes, until none is left.
  Bounds Take() {
    Bounds b = Unwidened();
    for (int64_t first; (first = next_.fetch_add(kRun)) < segmentCount;) {
      const auto last = static_cast<int32_t>(std::min<int64_t>(first + kRun, segmentCount));
      for (auto j = static_cast<int32_t>(first); j < last; ++j) {
        const DynamicArray<TPoint>& vertices = segments[j].Vertices;
        const int32_t count = vertices.Length();
        const TPoint* const vertex = count > 0 ? &vertices[0] : nullptr;
        for (int32_t k = 0; k < count; ++k) Widen(b, vertex[k].x, vertex[k].y);
      }
    }
    return b;
  }

 private:
  static constexpr int64_t kRun = 1 << 16;
  std::atomic<int64_t> next_{0};  // the first segment of the next run
};

// Bounds over every point and vertex, from the bounds of each; all 0 when
// there are no points, whatever the segments hold.
Bounds MapBounds(const Bounds& points, const Bounds& vertices) {
  if (pointCount == 0) return {0, 0, 0, 0};
  return Union(points, vertices);
}

// The distinct codes carried by points, numbered 0, 1, ... in order of first
// appearance, with lookups in constant time. Codes that run low, low + 1,
// ... in table order (as a map numbers its points) need no table: a code's
// number is its point's index. Other codes that lie close together are
// looked up in a table indexed by the code itself, which is read in order
// and stays in the cache; scattered codes in an open-addressing hash table.
class CodeIndex {
 public:
  // Every code, when they are consecutive; else room for the codes of
  // count points, which Insert then numbers.
  CodeIndex(const PointScan& scan, int32_t count) : low_(scan.low) {
    if (scan.consecutive) {
      kind_ = kConsecutive;
      count_ = count;
      return;
    }
    kind_ = scan.high - scan.low < 4 * int64_t{count} + 16 ? kDense : kHashed;
    if (kind_ == kDense) {
      slots_.assign(static_cast<size_t>(scan.high - scan.low + 1), -1);
      return;
    }
    size_t size = 16;
    while (size < 2 * static_cast<size_t>(count)) size *= 2;
    keys_.resize(size);
    slots_.assign(size, -1);
  }

  // Whether the codes still have to be numbered by Insert.
  bool NeedsInserts() const { return kind_ != kConsecutive; }

  // The number of code, which some point carries; a new one when the code is
  // new. Not for consecutive codes.
  int32_t Insert(int32_t code) {
    const size_t at = kind_ == kDense ? static_cast<size_t>(code - low_) : Probe(code);
    if (slots_[at] < 0) {
      if (kind_ == kHashed) keys_[at] = code;
      slots_[at] = count_++;
    }
    return slots_[at];
  }

  // The number of code, or -1 when no point carries it.
  int32_t Find(int32_t code) const {
    if (kind_ == kHashed) return slots_[Probe(code)];
    const int64_t at = code - low_;
    const int64_t size = kind_ == kConsecutive ? count_ : static_cast<int64_t>(slots_.size());
    if (at < 0 || at >= size) return -1;
    return kind_ == kConsecutive ? static_cast<int32_t>(at) : slots_[static_cast<size_t>(at)];
  }

  int32_t Count() const { return count_; }

 private:
  size_t Probe(int32_t code) const {
    const size_t mask = keys_.size() - 1;
    size_t at = (static_cast<uint32_t>(code) * 2654435769u) & mask;
    while (slots_[at] >= 0 && keys_[at] != code) at = (at + 1) & mask;
    return at;
  }

  enum Kind { kConsecutive, kDense, kHashed } kind_;
  int64_t low_;                 // the smallest code
  std::vector<int32_t> keys_;   // the code in each slot, in the hash table
  std::vector<int32_t> slots_;  // the number of the code, -1 for none; by code less low_ when dense
  int32_t count_ = 0;
};

// One adjacency entry, before it is copied into the parallel arrays.
struct Entry {
  int32_t node, length, segment;
};

// The segment table and the columns its entries depend on, as plain
// arrays for the passes over every segment: read through the tables, each
// access is checked, and the tables are read again after every int32_t a
// pass writes, as that might be their length.
class SegmentArrays {
 public:
  SegmentArrays()
      : rows_(segmentCount > 0 ? &segments[0] : nullptr),
        oneway_(segmentOneway.data()),
        onewayCount_(segmentOneway.size()),
        duration_(segmentDuration.data()),
        durationCount_(graphWeighsDurations ? segmentDuration.size() : 0) {}

  const TFieldS& Row(int32_t j) const { return rows_[j]; }

  // The direction segment j may be driven in: 0 both ways, 1 only from
  // From to To, -1 only from To to From.
  int8_t Oneway(int32_t j) const { return static_cast<size_t>(j) < onewayCount_ ? oneway_[j] : 0; }

  // The weight of segment j's entries: its duration when the graph weighs
  // durations and the map has them, else its length.
  int32_t Weight(int32_t j) const {
    return static_cast<size_t>(j) < durationCount_ ? duration_[j] : rows_[j].Length;
  }

 private:
  const TFieldS* rows_;
  const int8_t* oneway_;
  size_t onewayCount_;
  const int32_t* duration_;
  size_t durationCount_;  // 0 when the graph weighs lengths
};

// The numbers of the codes whose lists segment j is entered in: its From's
// and its To's, -1 where it has no entry (an end that may not be left, the
// second end of a loop, a code no point carries).
struct EntryCodes {
  int32_t from, to;
};
EntryCodes EntryCodesOf(const CodeIndex& codes, const SegmentArrays& table, int32_t j) {
  const TFieldS& s = table.Row(j);
  const int8_t oneway = table.Oneway(j);
  return {oneway < 0 ? -1 : codes.Find(s.From), s.To == s.From || oneway > 0 ? -1 : codes.Find(s.To)};
}

// Checks for a cancel once in this many points or segments.
constexpr int32_t kCancelStride = 1 << 16;

// The bounds and the graph, built aside and put in place only once
// complete, so that a failed or cancelled build leaves the earlier ones.
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
// counts[c] for code number c. One element more, left 0, is room for the
// closing list start when the counts become list starts. Returns their sum.
int64_t CountEntries(const CodeIndex& codes, const SegmentArrays& table, SegmentRange range,
                     std::vector<int32_t>& counts, LoadProgress* progress) {
  const size_t size = static_cast<size_t>(codes.Count()) + 1;
  counts.reserve(size);  // its pages mapped in one request, as all are written at once
  PreferLargePages(counts.data(), size * sizeof(int32_t));
  MapPagesForWriting(counts.data(), size * sizeof(int32_t));
  counts.assign(size, 0);
  int32_t* const count = counts.data();
  int64_t total = 0;
  for (int32_t j = range.first; j < range.last; ++j) {
    if (j % kCancelStride == 0) CheckCancel(progress);
    const EntryCodes at = EntryCodesOf(codes, table, j);
    if (at.from >= 0) ++count[at.from];
    if (at.to >= 0) ++count[at.to];
    total += (at.from >= 0) + (at.to >= 0);
  }
  return total;
}

// Raises Exception for a graph of more entries than a map may have.
void CheckEntryCount(int64_t total) {
  if (total > MAP_ITEM_LIMIT) {
    throw Exception("Map too large: " + std::to_string(total) + " adjacency entries, at most " +
                    std::to_string(MAP_ITEM_LIMIT));
  }
}

// Fills the entries of the segments of range in place when every point
// carries a code of its own: each code's entries then are that point's
// list, and code numbers are point indices. codeFill holds, per code, where
// the range's next entry goes, forwards, or, backwards, where its last one
// ends: the range is then read from its end, so that either way each list
// holds its entries in segment table order.
void FillOwnLists(const CodeIndex& codes, const SegmentArrays& table, SegmentRange range, bool backwards,
                  std::vector<int32_t>& codeFill, RoadGraph& graph, LoadProgress* progress) {
  int32_t* const fill = codeFill.data();
  int32_t* const adjNode = graph.adjNode.data();
  int32_t* const adjLength = graph.adjLength.data();
  int32_t* const adjSegment = graph.adjSegment.data();
  const auto put = [&](int32_t code, int32_t node, int32_t weight, int32_t j) {
    const int32_t at = backwards ? --fill[code] : fill[code]++;
    adjNode[at] = node;
    adjLength[at] = weight;
    adjSegment[at] = j;
  };
  for (int32_t k = range.first; k < range.last; ++k) {
    if (k % kCancelStride == 0) CheckCancel(progress);
    const int32_t j = backwards ? range.first + range.last - 1 - k : k;
    const EntryCodes at = EntryCodesOf(codes, table, j);
    const TFieldS& s = table.Row(j);
    if (at.from >= 0) put(at.from, s.To, table.Weight(j), j);
    if (at.to >= 0) put(at.to, s.From, table.Weight(j), j);
  }
}

// Fills the entry arrays when points share codes: each code's entries are
// gathered first ([codeStart[c], codeStart[c + 1])), then copied to every
// point carrying the code.
void FillSharedLists(const CodeIndex& codes, const SegmentArrays& table, std::vector<int32_t>& codeStart,
                     const std::vector<int32_t>& pointCode, RoadGraph& graph, LoadProgress* progress) {
  std::vector<Entry> codeEntries(codeStart.back());
  std::vector<int32_t> fill(codeStart.begin(), codeStart.end() - 1);
  for (int32_t j = 0; j < segmentCount; ++j) {
    if (j % kCancelStride == 0) CheckCancel(progress);
    const EntryCodes at = EntryCodesOf(codes, table, j);
    const TFieldS& s = table.Row(j);
    if (at.from >= 0) codeEntries[fill[at.from]++] = {s.To, table.Weight(j), j};
    if (at.to >= 0) codeEntries[fill[at.to]++] = {s.From, table.Weight(j), j};
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

// The lists of points that share codes: each point's list is its code's
// entries, counted per half in counts. Sets each point's list start, sizes
// the entry arrays and fills them; a map of more than MAP_ITEM_LIMIT
// entries raises Exception.
void BuildSharedLists(const CodeIndex& codes, const SegmentArrays& table,
                      const std::array<std::vector<int32_t>, 2>& counts,
                      const std::vector<int32_t>& pointCode, RoadGraph& graph, LoadProgress* progress) {
  std::vector<int32_t> codeStart(codes.Count() + 1, 0);
  for (int32_t c = 0; c < codes.Count(); ++c) codeStart[c + 1] = codeStart[c] + counts[0][c] + counts[1][c];
  const auto listLength = [&](int32_t i) { return codeStart[pointCode[i] + 1] - codeStart[pointCode[i]]; };
  int64_t total = 0;
  for (int32_t i = 0; i < pointCount; ++i) total += listLength(i);
  CheckEntryCount(total);
  graph.nodeStart.resize(static_cast<size_t>(pointCount) + 1);
  int32_t start = 0;
  for (int32_t i = 0; i < pointCount; ++i) {
    graph.nodeStart[i] = start;
    start += listLength(i);
  }
  graph.nodeStart[pointCount] = start;
  ResizeOnBothCores(static_cast<size_t>(total), graph.adjNode, graph.adjLength, graph.adjSegment);
  FillSharedLists(codes, table, codeStart, pointCode, graph, progress);
}

// The lists when every point carries a code of its own, each half of the
// segment table filled on a core of its own. A list holds the first half's
// entries, then the second's: the boundary between them, set in both
// halves' counts, is where the first half is filled backwards from and the
// second forwards, so that the first half's fill ends at each list's start.
void BuildOwnLists(const CodeIndex& codes, const SegmentArrays& table,
                   const std::array<SegmentRange, 2>& halves, std::array<std::vector<int32_t>, 2>& counts,
                   int64_t total, RoadGraph& graph, LoadProgress* progress) {
  CheckEntryCount(total);
  const auto entries = static_cast<size_t>(total);
  ResizeOnBothCores(entries, graph.adjNode, graph.adjLength, graph.adjSegment);
  int32_t next = 0;
  for (int32_t c = 0; c < codes.Count(); ++c) {
    const int32_t boundary = next + counts[0][c];
    next = boundary + counts[1][c];
    counts[0][c] = counts[1][c] = boundary;
  }
  counts[0][codes.Count()] = next;
  RunTogether([&] { FillOwnLists(codes, table, halves[1], false, counts[1], graph, progress); },
              [&] { FillOwnLists(codes, table, halves[0], true, counts[0], graph, progress); });
  graph.nodeStart = std::move(counts[0]);
}

// The points' code numbers: none needed for consecutive codes, each
// point's code number being its index; else pointCode[i] for point i.
std::unique_ptr<CodeIndex> NumberCodes(const PointScan& scan, std::vector<int32_t>& pointCode) {
  auto codes = std::make_unique<CodeIndex>(scan, pointCount);
  if (!codes->NeedsInserts()) return codes;
  pointCode.resize(static_cast<size_t>(pointCount));
  for (int32_t i = 0; i < pointCount; ++i) pointCode[i] = codes->Insert(points[i].Code);
  return codes;
}

// The bounds and graph, each half of the work on a core of its own: the
// points' bounds and codes, the vertices' bounds, unless known, beside the
// points' code numbers, then each half of the segment table counted and
// filled beside the other. Lists stay in segment table order, as the first
// half's entries go before the second's.
RoadGraph BuildGraph(LoadProgress* progress, const Bounds* knownVertexBounds) {
  CheckCancel(progress);
  RoadGraph graph;
  graph.nodeCount = pointCount;
  const std::array<SegmentRange, 2> halves = SegmentHalves();

  VertexBounds vertices;
  std::array<Bounds, 2> vertexBounds{Unwidened(), knownVertexBounds ? *knownVertexBounds : Unwidened()};
  const PointScan scan = ScanAllPoints();
  std::unique_ptr<CodeIndex> codes;
  std::vector<int32_t> pointCode;
  if (knownVertexBounds) {
    codes = NumberCodes(scan, pointCode);
  } else {
    RunTogether([&] { vertexBounds[0] = vertices.Take(); },
                [&] {
                  codes = NumberCodes(scan, pointCode);
                  vertexBounds[1] = vertices.Take();
                });
  }
  graph.bounds = MapBounds(scan.bounds, Union(vertexBounds[0], vertexBounds[1]));
  const SegmentArrays table;
  std::array<std::vector<int32_t>, 2> counts;
  std::array<int64_t, 2> totals{};
  RunTogether([&] { totals[1] = CountEntries(*codes, table, halves[1], counts[1], progress); },
              [&] { totals[0] = CountEntries(*codes, table, halves[0], counts[0], progress); });
  if (codes->Count() < pointCount)
    BuildSharedLists(*codes, table, counts, pointCode, graph, progress);
  else
    BuildOwnLists(*codes, table, halves, counts, totals[0] + totals[1], graph, progress);
  return graph;
}

// Puts built's elements in place of array's first ones: into array
// when it holds that many, so that its elements past them stay as an
// earlier, larger map left them; else built becomes the array.
void Install(std::vector<int32_t>& array, std::vector<int32_t>& built) {
  if (array.size() >= built.size()) {
    std::copy(built.begin(), built.end(), array.begin());
  } else {
    array.swap(built);
  }
}

}  // namespace

RoadGraph BuildRoadGraphAside(LoadProgress* progress, const Bounds* vertexBounds) {
  try {
    return BuildGraph(progress, vertexBounds);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory building the road graph of " + std::to_string(pointCount) +
                       " points and " + std::to_string(segmentCount) + " segments");
  }
}

void InstallRoadGraph(RoadGraph& graph) {
  minX = graph.bounds.minX;
  minNegY = graph.bounds.minNegY;
  maxX = graph.bounds.maxX;
  maxNegY = graph.bounds.maxNegY;
  nodeCount = graph.nodeCount;
  adjCount = graph.nodeStart[graph.nodeCount];
  Install(nodeStart, graph.nodeStart);
  Install(adjNode, graph.adjNode);
  Install(adjLength, graph.adjLength);
  Install(adjSegment, graph.adjSegment);
  ++graphGeneration;
}

void BuildRoadGraph(LoadProgress* progress, const Bounds* vertexBounds) {
  RoadGraph graph = BuildRoadGraphAside(progress, vertexBounds);
  InstallRoadGraph(graph);
}
