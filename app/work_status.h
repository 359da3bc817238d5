#pragma once

#include <string>

#include "map/load_progress.h"

// What the status line says of a map's load (of the map file name) or of a
// rebuild of its graph while it runs: "Opening Mname.mif: 43%" by the bytes
// read, then "Reading the turn restrictions: 97%" for a map with a T layer,
// "Building the road graph", "Indexing the map", or "Waiting for an import
// of Mname.mif".
std::string WorkStatusText(const LoadProgress& progress, const std::string& name);

// The share done in percent for the progress bar, while reading; else
// TStatusBar::kBusy.
int WorkPercent(const LoadProgress& progress);
