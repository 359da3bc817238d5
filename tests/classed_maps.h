#pragma once

#include <random>

// Loads a random road map with classes and names into the map store, as a
// load of a map with Class and Name columns leaves it: a few long roads of
// high classes across a net of short ones of every class, bends in some,
// points sharing a position, parts that nothing reaches, and names shared
// by roads that meet. Points have codes 1..n in file order. Map units are
// spread so that the map spans from tens of metres to many kilometres.
void LoadClassedRandomMap(std::mt19937& random);
