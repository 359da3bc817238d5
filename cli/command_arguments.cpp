// The arguments every command reads alike: a map to load and whole numbers.
// Built into ruvel-route and into the render module, which loads its map
// itself.
#include <string>

#include "cli/commands.h"
#include "map/layer_loader.h"
#include "map/map_files.h"
#include "route/route_search.h"
#include "toolkit/exceptions.h"
#include "toolkit/program_files.h"
#include "toolkit/text.h"

namespace {

// Refuses, before anything is loaded, a path that cannot be a map's M layer:
// one that names no regular file (the loader would skip it and show an empty
// map), or whose name does not begin with a capital M, which the S layer's
// name is made from.
void CheckMapFile(const std::string& path) {
  CheckRegularFile(path);
  CheckMapName(path);
}

}  // namespace

TurnRestrictions LoadMap(const std::string& path) {
  CheckMapFile(path);
  ClearMapAndRoute();
  return LoadMapLayers(path);
}

int32_t IntegerArgument(const std::string& word) {
  try {
    return StrToInt(word);
  } catch (const EConvertError&) {
    throw UsageError();
  }
}
