#pragma once

#include <cstdint>
#include <string>

// LoadMapLayers as a plain transcription of the loading rules, kept as the
// reference the real loader is compared with: the same files, the same
// store, the same graph, the same exceptions with the same messages.
void ReferenceLoadMapLayers(std::string fileName);

// The token of line that starts at the 1-based position, up to the next
// delimiter or the end of the line; position then stands just past that
// delimiter. Past the end of the line: empty, position unchanged.
std::string NextToken(const std::string& line, int32_t& position, char delimiter);
