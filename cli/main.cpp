// ruvel-route: the command-line companion of Ruvel. It loads maps, finds
// routes and draws maps with the same code as the window, for scripting and
// for checking map files.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

// The usage: the synopsis of every command, then each command and option
// with what it does. The manual page and the shell completion are made
// from this text, so every option belongs in the synopsis.
void PrintUsage(std::FILE* to) {
  std::fputs(
      "usage: ruvel-route info MAP.mif\n"
      "       ruvel-route find MAP.mif TEXT\n"
      "       ruvel-route route MAP.mif START TARGET [START TARGET ...] [--geojson | --gpx] [--fastest]\n"
      "                          [--no-cache] [--via CODE ...] [--directions]\n"
      "       ruvel-route prepare MAP.mif [--fastest]\n"
      "       ruvel-route render MAP.mif OUT.png [--size WIDTHxHEIGHT]\n"
      "                          [--route START TARGET [--via CODE ...]] [--no-points] [--no-lines]\n"
      "                          [--zoom K] [--center X Y] [--style road|plain] [--proportional]\n"
      "       ruvel-route import SOURCE OUT/Mname.mif [--layer NAME] [--where SQL]\n"
      "                          [--bbox MINX MINY MAXX MAXY] [--snap METRES] [--name-field FIELD]\n"
      "                          [--source-crs CRS] [--profile car|bike|foot|all] [--oneway-field FIELD]\n"
      "                          [--speed-field FIELD] [--default-speed KMH] [--class-field FIELD]\n"
      "                          [--quiet]\n"
      "       ruvel-route --help | --version\n"
      "Loads, searches, draws and imports Ruvel road maps with the same code as the window.\n"
      "MAP.mif is the M layer's .mif file, whose name begins with a capital M; its .mid, the\n"
      "S layer's two files and any T layer's (turn restrictions) are found beside it. START\n"
      "and TARGET are point codes.\n"
      "\n"
      "Commands:\n"
      "  info     print the map's counts, bounds and graph size, and its number of turn\n"
      "           restrictions when it has any\n"
      "  find     print the junctions whose name contains TEXT, ignoring letter case, as\n"
      "           \"code: name\"; exit status 1 when none does\n"
      "  route    print the route the window finds for each pair of point codes, obeying the\n"
      "           map's turn restrictions\n"
      "  prepare  build the fast routes of a large map, or of one with turn restrictions, into\n"
      "           the cache, which route then uses\n"
      "  render   draw the map as the window does into a PNG image\n"
      "  import   turn a road layer of any source OGR reads (GeoPackage, Shapefile, GeoJSON,\n"
      "           MIF/TAB, ...) or an OpenStreetMap file (.osm.pbf, .osm, .osm.gz, .osm.bz2)\n"
      "           into a map's M and S layer files, and its T layer files when the source has\n"
      "           turn restrictions; its options may stand anywhere after the command word.\n"
      "           libosmium reads OpenStreetMap files; GDAL does with --profile all, --where,\n"
      "           --layer, --snap or --source-crs, and then reads only .osm and .osm.pbf\n"
      "\n"
      "Options:\n"
      "  --geojson             (route) print the routes as one GeoJSON FeatureCollection\n"
      "  --gpx                 (route) print the routes as one GPX document\n"
      "  --fastest             (route, prepare) find the quickest routes (the map's S layer\n"
      "                        needs a Duration column)\n"
      "  --no-cache            (route) ignore the cache of prepared fast routes\n"
      "  --via CODE            (route, render) go through the junction CODE on the way;\n"
      "                        repeatable, in order, with one START TARGET pair only\n"
      "  --directions          (route) print each route's steps, turn by turn, after its lines\n"
      "  --size WIDTHxHEIGHT   (render) the image's size, 683x397 by default\n"
      "  --route START TARGET  (render) draw the route between these points\n"
      "  --no-points           (render) leave out the junctions\n"
      "  --no-lines            (render) leave out the roads\n"
      "  --zoom K              (render) zoom level K, 0 to 16; 0, the whole map, by default\n"
      "  --center X Y          (render) centre the picture on the map point (X, Y)\n"
      "  --style road|plain    (render) draw a road map or the plain picture; road for a map\n"
      "                        with road classes, else plain, by default\n"
      "  --proportional        (render) one scale for both axes (the default for a map with\n"
      "                        road classes)\n"
      "  --layer NAME          (import) the source's layer to read\n"
      "  --where SQL           (import) only the features this attribute filter keeps\n"
      "  --bbox MINX MINY MAXX MAXY\n"
      "                        (import) only the lines in this box, in the source's coordinates\n"
      "  --snap METRES         (import) join each line end to the nearest line within METRES\n"
      "  --name-field FIELD    (import) the field, or OpenStreetMap tag, that names the roads,\n"
      "                        else 'name'\n"
      "  --source-crs CRS      (import) the source's coordinate system, as EPSG:4326, WKT or PROJ\n"
      "  --profile car|bike|foot|all\n"
      "                        (import) keep the roads a car, bike or walker uses, with their\n"
      "                        directions and travel times (car by default for OpenStreetMap\n"
      "                        data); all keeps every line (the default for other data)\n"
      "  --oneway-field FIELD  (import, all) the field that gives the roads' directions\n"
      "  --speed-field FIELD   (import, all) the field that gives the roads' speeds in km/h\n"
      "  --default-speed KMH   (import, all) the speed of roads without one, 50 unless given\n"
      "  --class-field FIELD   (import, all) the field that gives the roads' classes, as\n"
      "                        OpenStreetMap's highway values name them\n"
      "  --quiet               (import) print no report of what was built and left out\n"
      "  --help                print this help and exit\n"
      "  --version             print the program's name and version and exit\n"
      "\n"
      "Exit status: 0 done; 1 the map or source could not be read, a code is unknown, nothing\n"
      "was found or a network does not fit; 2 wrong usage.\n",
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

// Runs the command the words name and gives the exit status.
int Run(const std::vector<std::string>& words) {
  if (words.size() == 1 && words[0] == "--help") {
    PrintUsage(stdout);
    return 0;
  }
  if (words.size() == 1 && words[0] == "--version") {
    std::puts("ruvel-route " RUVEL_VERSION);
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

// Ends the process once its output is written, without destroying the map's
// tables: a country's tens of millions of texts and vertex lists would take
// half a second to free one by one, and the system takes all of the memory
// back at once.
[[noreturn]] void ExitLeavingTables(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(status);
}

}  // namespace

int main(int argc, char** argv) { ExitLeavingTables(Run(std::vector<std::string>(argv + 1, argv + argc))); }
