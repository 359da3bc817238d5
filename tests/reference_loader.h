#pragma once

#include <string>

// LoadMapLayers as a plain transcription of the loading rules, kept as the
// reference the real loader is compared with: the same files, the same
// store, the same graph, the same exceptions with the same messages.
void ReferenceLoadMapLayers(std::string fileName);
