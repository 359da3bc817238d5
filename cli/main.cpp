// ruvel-route: the command-line companion of Ruvel. It loads maps, finds
// routes and draws maps with the same code as the window, for scripting and
// for checking map files.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "map/layer_loader.h"
#include "map/map_files.h"
#include "map/map_store.h"
#include "route/route_search.h"
#include "toolkit/exceptions.h"
#include "toolkit/paths.h"
#include "toolkit/program_files.h"
#include "toolkit/text.h"

namespace {

void PrintUsage(std::FILE* to) {
  std::fputs(
      "usage: ruvel-route info MAP.mif\n"
      "       ruvel-route find MAP.mif TEXT\n"
      "       ruvel-route route MAP.mif START TARGET [START TARGET ...] [--geojson | --gpx] [--fastest]\n"
      "                          [--no-cache]\n"
      "       ruvel-route prepare MAP.mif [--fastest]\n"
      "       ruvel-route render MAP.mif OUT.png [--size WIDTHxHEIGHT] [--route START TARGET]\n"
      "                          [--no-points] [--no-lines] [--zoom K] [--center X Y]\n"
      "                          [--style road|plain] [--proportional]\n"
      "       ruvel-route import SOURCE OUT/Mname.mif [--layer NAME] [--where SQL]\n"
      "                          [--bbox MINX MINY MAXX MAXY] [--snap METRES] [--name-field FIELD]\n"
      "                          [--source-crs CRS] [--profile car|bike|foot|all] [--oneway-field FIELD]\n"
      "                          [--speed-field FIELD] [--default-speed KMH] [--quiet]\n"
      "       ruvel-route --help\n"
      "MAP.mif is the M layer's .mif file; the other three layer files are found beside it.\n"
      "find lists the junctions whose name contains TEXT, ignoring letter case; exit code 1 when none does.\n"
      "START and TARGET are point codes. render draws a WIDTHxHEIGHT image (683x397 by default),\n"
      "at zoom level K (0 to 16; 0, the whole map, by default) centred on the map point (X, Y),\n"
      "as a road map or plainly, in true proportions or not (road and proportional for a map with\n"
      "road classes, else plain and not).\n"
      "--geojson prints the routes as one GeoJSON FeatureCollection, --gpx as one GPX document;\n"
      "--fastest finds the quickest routes (the map's S layer needs a Duration column).\n"
      "prepare builds a large map's fast routes into the cache, which route then uses; --no-cache ignores "
      "it.\n"
      "import turns a road layer of any source OGR reads (GeoPackage, Shapefile, GeoJSON, OpenStreetMap,\n"
      "MIF/TAB, ...) into a map's four files; options may stand anywhere after the command word.\n"
      "--profile keeps the roads a car, bike or walker uses, with their directions and travel times\n"
      "(car by default for OpenStreetMap data); all keeps every line (the default for other data),\n"
      "with directions from --oneway-field and speeds in km/h from --speed-field (else\n"
      "--default-speed, 50 unless given).\n",
      to);
}

// The command named by the first word, or nullptr.
using Command = void (*)(const std::vector<std::string>&);
Command FindCommand(const std::string& name) {
  if (name == "info") return RunInfo;
  if (name == "find") return RunFind;
  if (name == "route") return RunRoute;
  if (name == "render") return RunRender;
  if (name == "prepare") return RunPrepare;
  if (name == "import") return RunImport;
  return nullptr;
}

// Refuses, before anything is loaded, a path that cannot be a map's M layer:
// one that names no regular file (the loader would skip it and show an empty
// map), or whose name does not begin with a capital M, which the S layer's
// name is made from.
void CheckMapFile(const std::string& path) {
  CheckRegularFile(path);
  CheckMapName(path);
}

}  // namespace

void LoadMap(const std::string& path) {
  CheckMapFile(path);
  ClearMapAndRoute();
  LoadMapLayers(path);
}

int32_t IntegerArgument(const std::string& word) {
  try {
    return StrToInt(word);
  } catch (const EConvertError&) {
    throw UsageError();
  }
}

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 1 && words[0] == "--help") {
    PrintUsage(stdout);
    return 0;
  }
  const Command command = words.empty() ? nullptr : FindCommand(words[0]);
  try {
    if (!command) throw UsageError();
    command(std::vector<std::string>(words.begin() + 1, words.end()));
    return 0;
  } catch (const UsageError&) {
    PrintUsage(stderr);
    return 2;
  } catch (const NothingFound&) {
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ruvel-route: %s\n", e.what());
    return 1;
  }
}
