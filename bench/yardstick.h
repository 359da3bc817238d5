#pragma once

#include <cstdint>
#include <vector>

// The yardstick the route search is measured against: a textbook Dijkstra
// with a binary heap over the program's road graph, stopping when the target
// is settled. distance has room for codes 0..nodeCount. Returns the target's
// distance, INT64_MAX when it is not reached.
int64_t HeapDijkstra(int32_t start, int32_t target, std::vector<int64_t>& distance);
