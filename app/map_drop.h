#pragma once

#include <string>
#include <vector>

// The map that items dropped onto the window name: the one path when exactly
// one item was dropped and it is a regular file on this machine (after
// following links) whose name begins with a capital M; else empty, and the
// drop is ignored.
std::string DroppedMap(const std::vector<std::string>& files);
