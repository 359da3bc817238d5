// Building a contraction hierarchy: points are taken out of the graph,
// cheapest first, and each removal adds a shortcut between two of the
// point's neighbours unless a witness path at most as short avoids it,
// so that the graph left keeps every shortest distance. The arcs a point
// holds when it is taken out lead upwards in rank: they are the hierarchy.
#include "route/contraction_hierarchy.h"

#include <malloc.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <future>
#include <limits>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "toolkit/exceptions.h"

namespace {

// Points a witness search settles at most while pricing a point, and while
// taking it out: more finds more witnesses (fewer shortcuts), slower.
constexpr int kPricingSettles = 10;
constexpr int kContractionSettles = 100;

// An arc of the graph left, in the list of one of its ends.
struct Edge {
  int32_t node;  // the other end
  int32_t weight;
  int32_t arc;  // in Contractor::arcs_
};

// Every arc made, with both ends: an entry (middle 0, first its segment)
// or a shortcut (first and second the arcs it joins).
struct BuildArc {
  int32_t from, to, weight, middle, first, second;
};

// Dijkstra over the graph left, from one source, avoiding one point,
// stopping beyond a distance or a number of settled points. Aligned to a
// cache line, so that the searches of two threads never share one.
class alignas(64) WitnessSearch {
 public:
  explicit WitnessSearch(int32_t nodeCount)
      : distance_(nodeCount + 1), stamp_(nodeCount + 1, 0), targetRun_(nodeCount + 1, 0) {}

  // Stops too once every point of targets but source is settled. Never
  // enters a point for which avoid(code) holds.
  template <typename Avoid>
  void Run(const std::vector<std::vector<Edge>>& out, int32_t source, Avoid avoid,
           const std::vector<Edge>& targets, int64_t limit, int maxSettled) {
    ++run_;
    heap_.clear();
    int32_t unsettled = 0;
    for (const Edge& t : targets)
      if (t.node != source && targetRun_[t.node] != run_) {
        targetRun_[t.node] = run_;
        ++unsettled;
      }
    Improve(source, 0);
    for (int settled = 0; !heap_.empty() && settled < maxSettled && unsettled > 0;) {
      std::pop_heap(heap_.begin(), heap_.end(), std::greater<>());
      const auto [d, u] = heap_.back();
      heap_.pop_back();
      if (d != distance_[u]) continue;
      if (d > limit) return;
      ++settled;
      if (targetRun_[u] == run_) --unsettled;
      for (const Edge& e : out[u])
        if (!avoid(e.node)) Improve(e.node, d + e.weight);
    }
  }

  int64_t Distance(int32_t code) const { return stamp_[code] == run_ ? distance_[code] : kFar; }

 private:
  void Improve(int32_t code, int64_t d) {
    if (Distance(code) <= d) return;
    stamp_[code] = run_;
    distance_[code] = d;
    heap_.push_back({d, code});
    std::push_heap(heap_.begin(), heap_.end(), std::greater<>());
  }

  std::vector<int64_t> distance_;
  std::vector<uint32_t> stamp_, targetRun_;
  uint32_t run_ = 0;
  std::vector<std::pair<int64_t, int32_t>> heap_;
};

// A shortcut a point's removal needs: from -> to through the point.
struct Shortcut {
  int32_t from, to, weight, firstArc, secondArc;
};

class Contractor {
 public:
  Contractor(const DirectedGraph& graph, int threads)
      : n_(graph.nodeCount),
        out_(n_ + 1),
        in_(n_ + 1),
        rank_(n_ + 1, -1),
        deleted_(n_ + 1, 0),
        level_(n_ + 1, 0),
        priority_(n_ + 1, 0),
        placedBegin_(n_ + 1, 0),
        forwardCount_(n_ + 1, 0),
        backwardCount_(n_ + 1, 0),
        neighbourStamp_(n_ + 1, 0),
        takenInRound_(n_ + 1, 0),
        listedInRound_(n_ + 1, 0) {
    for (int k = 0; k < (threads > 1 ? 2 : 1); ++k) witness_.emplace_back(n_);
    AddEntries(graph);
  }

  // Takes every point out, in rounds: each round takes the points cheaper
  // than all their neighbours (a set of which no two are neighbours),
  // cheapest first, their shortcuts found (on both threads) by witness
  // searches that avoid every point of the round, so that a witness path
  // survives the round. False when cancelled.
  bool Run(HierarchyProgress* progress) {
    std::vector<int32_t> left(static_cast<size_t>(n_));
    for (int32_t v = 1; v <= n_; ++v) left[v - 1] = v;
    if (!Reprice(left, progress)) return false;
    std::vector<int32_t> taken, neighbours;
    for (int32_t next = 0; !left.empty();) {
      ++round_;
      taken.clear();
      for (const int32_t v : left)
        if (IsLocalMinimum(v)) taken.push_back(v);
      std::sort(taken.begin(), taken.end(), [this](int32_t a, int32_t b) { return Key(a) < Key(b); });
      for (const int32_t v : taken) takenInRound_[v] = round_;
      for (size_t from = 0; from < taken.size(); from += kBatch) {
        if (Cancelled(progress)) return false;
        const size_t to = std::min(taken.size(), from + kBatch);
        TakeOut(taken.data() + from, taken.data() + to, next, neighbours);
        next += static_cast<int32_t>(to - from);
        if (progress) progress->percent = static_cast<int>(int64_t{next} * 100 / n_);
      }
      left.erase(std::remove_if(left.begin(), left.end(), [this](int32_t v) { return rank_[v] >= 0; }),
                 left.end());
      if (!Reprice(neighbours, progress)) return false;
      neighbours.clear();
    }
    return true;
  }

  // Frees what only the contraction needs, before the hierarchy is written.
  void ReleaseGraphLeft() {
    for (std::vector<std::vector<Edge>>* lists : {&out_, &in_}) std::vector<std::vector<Edge>>().swap(*lists);
    for (std::vector<int32_t>* array : {&deleted_, &level_}) std::vector<int32_t>().swap(*array);
    std::vector<int64_t>().swap(priority_);
    for (WitnessSearch& witness : witness_) witness = WitnessSearch(0);
  }

  // Makes the hierarchy out of what the contraction placed; once only.
  std::unique_ptr<ContractionHierarchy> Assemble(const DirectedGraph& graph);

 private:
  // Points taken out between two updates of the graph left: bounds the
  // shortcuts held at once.
  static constexpr size_t kBatch = 4096;

  static bool Cancelled(const HierarchyProgress* progress) { return progress && progress->cancel; }

  std::pair<int64_t, int32_t> Key(int32_t v) const { return {priority_[v], v}; }

  bool IsLocalMinimum(int32_t v) const {
    for (const std::vector<Edge>* list : {&out_[v], &in_[v]})
      for (const Edge& e : *list)
        if (Key(e.node) < Key(v)) return false;
    return true;
  }

  // Calls work(i, witness search) for i in [0, count), on this thread and,
  // when there are two witness searches, a second one, each thread with its
  // own search; work must write nothing but its own results.
  template <typename Work>
  void OnThreads(size_t count, Work work) {
    const size_t half = witness_.size() > 1 ? count / 2 : 0;
    const auto run = [this, &work](size_t from, size_t to, int thread) {
      for (size_t i = from; i < to; ++i) work(i, witness_[thread]);
    };
    std::future<void> second;
    try {
      if (half > 0) second = std::async(std::launch::async, run, half, count, 1);
    } catch (const std::system_error&) {  // no second thread to be had: all on this one
    }
    run(0, second.valid() ? half : count, 0);
    if (second.valid()) second.get();
  }

  // Prices the points of codes (each once); false when cancelled.
  bool Reprice(const std::vector<int32_t>& codes, HierarchyProgress* progress) {
    for (size_t from = 0; from < codes.size(); from += 16 * kBatch) {
      if (Cancelled(progress)) return false;
      const size_t count = std::min(codes.size() - from, 16 * kBatch);
      OnThreads(count, [this, &codes, from](size_t i, WitnessSearch& witness) {
        const int32_t v = codes[from + i];
        priority_[v] = Priority(v, witness);
      });
    }
    return true;
  }

  // Takes the points [first, last) of this round out, ranked from next on;
  // adds their neighbours (once each) to neighbours.
  void TakeOut(const int32_t* first, const int32_t* last, int32_t next, std::vector<int32_t>& neighbours) {
    const auto count = static_cast<size_t>(last - first);
    std::vector<std::vector<Shortcut>> shortcuts(count);
    OnThreads(count, [this, first, &shortcuts](size_t i, WitnessSearch& witness) {
      const int32_t v = first[i];
      ForEachShortcut(
          v, kContractionSettles, witness, [this](int32_t w) { return takenInRound_[w] == round_; },
          [&shortcuts, i](const Shortcut& s) { shortcuts[i].push_back(s); });
    });
    for (size_t i = 0; i < count; ++i) {
      rank_[first[i]] = next++;
      Contract(first[i], shortcuts[i], neighbours);
    }
  }

  // Records arc and returns its number. Arcs are numbered in 32 bits: one
  // beyond that is out of memory (std::bad_alloc).
  int32_t NewArc(const BuildArc& arc) {
    if (arcs_.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) throw std::bad_alloc();
    arcs_.push_back(arc);
    return static_cast<int32_t>(arcs_.size() - 1);
  }

  // The lightest entry (the first of equals) between each two distinct
  // points, in list order.
  void AddEntries(const DirectedGraph& graph) {
    std::vector<int32_t> seenAt(n_ + 1, -1);  // by code: where in out_[u] u's arc to it is
    for (int32_t u = 1; u <= n_; ++u) {
      for (int32_t e = graph.nodeStart[u - 1]; e < graph.nodeStart[u]; ++e) {
        const int32_t x = graph.adjNode[e], w = graph.adjWeight[e];
        if (!IsCode(x, graph.nodeCount) || x == u || w >= kWeightLimit) continue;
        const int32_t at = seenAt[x];
        if (at >= 0 && static_cast<size_t>(at) < out_[u].size() && out_[u][at].node == x) {
          if (w < out_[u][at].weight) Reroute(u, x, w, NewArc({u, x, w, 0, graph.adjSegment[e], -1}));
          continue;
        }
        seenAt[x] = static_cast<int32_t>(out_[u].size());
        Link(u, x, w, NewArc({u, x, w, 0, graph.adjSegment[e], -1}));
      }
    }
  }

  void Link(int32_t u, int32_t x, int32_t w, int32_t arc) {
    out_[u].push_back({x, w, arc});
    in_[x].push_back({u, w, arc});
  }

  // Gives the arc u -> x the weight w, as arc.
  void Reroute(int32_t u, int32_t x, int32_t w, int32_t arc) {
    for (Edge& e : out_[u])
      if (e.node == x) e = {x, w, arc};
    for (Edge& e : in_[x])
      if (e.node == u) e = {u, w, arc};
  }

  // Calls add for each shortcut the removal of v needs, found by witness
  // searches settling at most maxSettled points.
  template <typename Avoid, typename Add>
  void ForEachShortcut(int32_t v, int maxSettled, WitnessSearch& witness, Avoid avoid, Add add) const {
    for (const Edge& in : in_[v]) {
      int64_t farthest = -1;
      for (const Edge& out : out_[v])
        if (out.node != in.node) farthest = std::max(farthest, int64_t{in.weight} + out.weight);
      if (farthest < 0) continue;
      witness.Run(out_, in.node, avoid, out_[v], farthest, maxSettled);
      for (const Edge& out : out_[v]) {
        const int64_t through = int64_t{in.weight} + out.weight;
        if (out.node == in.node || through >= kWeightLimit || witness.Distance(out.node) <= through) continue;
        add(Shortcut{in.node, out.node, static_cast<int32_t>(through), in.arc, out.arc});
      }
    }
  }

  // Edge difference, contracted neighbours and level: cheap points first,
  // spread over the graph, in a shallow hierarchy.
  int64_t Priority(int32_t v, WitnessSearch& witness) const {
    int64_t shortcuts = 0;
    ForEachShortcut(
        v, kPricingSettles, witness, [v](int32_t w) { return w == v; },
        [&shortcuts](const Shortcut&) { ++shortcuts; });
    const int64_t removed = static_cast<int64_t>(in_[v].size() + out_[v].size());
    return 2 * (shortcuts - removed) + deleted_[v] + level_[v];
  }

  // Takes v out of the graph left: records its arcs as its hierarchy arcs,
  // adds the shortcuts its removal needs and unlinks it. Adds its
  // neighbours to neighbours, once each per round.
  void Contract(int32_t v, const std::vector<Shortcut>& shortcuts, std::vector<int32_t>& neighbours) {
    placedBegin_[v] = static_cast<int64_t>(placed_.size());
    forwardCount_[v] = static_cast<int32_t>(out_[v].size());
    backwardCount_[v] = static_cast<int32_t>(in_[v].size());
    for (const Edge& e : out_[v]) placed_.push_back(e.arc);
    for (const Edge& e : in_[v]) placed_.push_back(e.arc);
    for (const Shortcut& s : shortcuts) AddShortcut(v, s);

    ++stampRun_;
    const auto unlink = [&](std::vector<Edge>& list, int32_t w) {
      list.erase(std::remove_if(list.begin(), list.end(), [v](const Edge& e) { return e.node == v; }),
                 list.end());
      if (neighbourStamp_[w] == stampRun_) return;
      neighbourStamp_[w] = stampRun_;
      ++deleted_[w];
      level_[w] = std::max(level_[w], level_[v] + 1);
      if (listedInRound_[w] == round_) return;
      listedInRound_[w] = round_;
      neighbours.push_back(w);
    };
    for (const Edge& e : out_[v]) unlink(in_[e.node], e.node);
    for (const Edge& e : in_[v]) unlink(out_[e.node], e.node);
    std::vector<Edge>().swap(out_[v]);
    std::vector<Edge>().swap(in_[v]);
  }

  void AddShortcut(int32_t v, const Shortcut& s) {
    for (const Edge& e : out_[s.from]) {
      if (e.node != s.to) continue;
      if (s.weight < e.weight)
        Reroute(s.from, s.to, s.weight, NewArc({s.from, s.to, s.weight, v, s.firstArc, s.secondArc}));
      return;
    }
    Link(s.from, s.to, s.weight, NewArc({s.from, s.to, s.weight, v, s.firstArc, s.secondArc}));
  }

  int32_t n_;
  std::vector<std::vector<Edge>> out_, in_;  // the graph left, by code
  std::deque<BuildArc> arcs_;                // grows without ever holding two copies
  std::vector<int32_t> rank_, deleted_, level_;
  std::vector<int64_t> priority_;
  // The arcs each point held when taken out: placed_[placedBegin_[v] ..),
  // its forwardCount_[v] forward arcs, then its backward arcs.
  std::vector<int32_t> placed_;
  std::vector<int64_t> placedBegin_;
  std::vector<int32_t> forwardCount_, backwardCount_;
  std::vector<uint32_t> neighbourStamp_;
  uint32_t stampRun_ = 0;
  // The round a point was taken out in, and listed as a neighbour in.
  std::vector<uint32_t> takenInRound_, listedInRound_;
  uint32_t round_ = 0;
  std::vector<WitnessSearch> witness_;  // one for each thread
};

// Numbers the placed arcs by owner code, forward before backward, and
// writes them with their halves renumbered. Each placed arc keeps its
// number (as ~number in from, so that unplaced arcs, whose from is a code,
// stay apart) and the far end from its owner (in to) in arcs_ itself, and
// the placing records are freed before the hierarchy's arcs are made.
std::unique_ptr<ContractionHierarchy> Contractor::Assemble(const DirectedGraph& graph) {
  auto hierarchy = std::make_unique<ContractionHierarchy>();
  hierarchy->nodeCount = n_;
  hierarchy->graphHash = GraphHash(graph);
  hierarchy->weighsDurations = graph.weighsDurations;
  hierarchy->generation = graph.generation;
  std::vector<int32_t>& start = hierarchy->arcStart;
  start.assign(2 * static_cast<size_t>(n_) + 1, 0);
  int32_t next = 0;
  for (int32_t c = 1; c <= n_; ++c) {
    start[2 * c - 2] = next;
    for (int32_t k = 0; k < forwardCount_[c] + backwardCount_[c]; ++k) {
      if (k == forwardCount_[c]) start[2 * c - 1] = next;
      BuildArc& a = arcs_[placed_[placedBegin_[c] + k]];
      a.to = k < forwardCount_[c] ? a.to : a.from;
      a.from = ~next++;
    }
    if (backwardCount_[c] == 0) start[2 * c - 1] = next;
    start[2 * c] = next;
  }
  std::vector<int32_t>().swap(placed_);
  std::vector<int64_t>().swap(placedBegin_);
  for (std::vector<int32_t>* array : {&forwardCount_, &backwardCount_}) std::vector<int32_t>().swap(*array);
  hierarchy->rank = std::move(rank_);
  hierarchy->rank[0] = 0;
  hierarchy->arcs.resize(static_cast<size_t>(next));
  for (const BuildArc& a : arcs_) {
    if (a.from >= 0) continue;  // replaced by a lighter arc before it was placed
    const bool shortcut = a.middle != 0;
    hierarchy->arcs[~a.from] = {a.to, a.weight, a.middle, shortcut ? ~arcs_[a.first].from : a.first,
                                shortcut ? ~arcs_[a.second].from : -1};
  }
  return hierarchy;
}

}  // namespace

bool CanContract(const DirectedGraph& graph) {
  return std::all_of(graph.adjWeight.begin(), graph.adjWeight.end(), [](int32_t w) { return w >= 0; });
}

std::unique_ptr<ContractionHierarchy> BuildContractionHierarchy(const DirectedGraph& graph,
                                                                HierarchyProgress* progress, int threads) {
  if (!CanContract(graph)) return nullptr;
  try {
    Contractor contractor(graph, threads);
    if (!contractor.Run(progress)) return nullptr;
    contractor.ReleaseGraphLeft();
    malloc_trim(0);  // the graph left was many small blocks: give their pages back before assembling
    if (progress) progress->percent = 100;
    return contractor.Assemble(graph);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory preparing the fast routes of " + std::to_string(graph.nodeCount) +
                       " points");
  }
}

bool IsSoundFrame(const ContractionHierarchy& h, int32_t nodeCount) {
  const int32_t n = nodeCount;
  if (n < 0 || h.nodeCount != n || h.rank.size() != static_cast<size_t>(n) + 1 ||
      h.arcStart.size() != 2 * static_cast<size_t>(n) + 1 || h.arcStart[0] != 0 ||
      static_cast<size_t>(h.arcStart.back()) != h.arcs.size())
    return false;
  for (size_t i = 1; i < h.arcStart.size(); ++i)
    if (h.arcStart[i] < h.arcStart[i - 1]) return false;
  std::vector<uint8_t> ranked(n, 0);
  for (int32_t c = 1; c <= n; ++c) {
    const int32_t r = h.rank[c];
    if (r < 0 || r >= n || ranked[r]) return false;
    ranked[r] = 1;
  }
  return true;
}
