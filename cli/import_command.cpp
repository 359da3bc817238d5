#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/import_module_loader.h"
#include "import/import_module.h"
#include "map/map_files.h"
#include "toolkit/exceptions.h"
#include "toolkit/paths.h"

namespace {

constexpr double kLargestSnap = 1000;

// Says what is wrong with the words of `import` on standard error, then
// raises UsageError, after which the usage follows.
[[noreturn]] void Misused(const std::string& reason) {
  std::fprintf(stderr, "ruvel-route import: %s\n", reason.c_str());
  throw UsageError();
}

// A number given on the command line, whole or decimal, for option.
double NumberArgument(const std::string& option, const std::string& word) {
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  if (word.empty() || *end != '\0' || !std::isfinite(value))
    Misused(option + ": '" + word + "' is not a number");
  return value;
}

// The words of `import`, options anywhere after the command word.
struct ImportArguments {
  std::string source, out, layer, where, nameField, sourceCrs, profile, onewayField, speedField;
  bool hasLayer = false, hasWhere = false, hasNameField = false, hasSourceCrs = false, hasBbox = false,
       quiet = false, hasProfile = false, hasOnewayField = false, hasSpeedField = false;
  double bbox[4] = {0, 0, 0, 0};
  double snap = 0;
  double defaultSpeed = 0;  // 0: not given
};

// Refuses a profile other than car, bike, foot and all, and the options
// for a source's own fields with a profile that reads OpenStreetMap tags.
void CheckTravelOptions(const ImportArguments& a) {
  if (a.hasProfile && a.profile != "car" && a.profile != "bike" && a.profile != "foot" && a.profile != "all")
    Misused("--profile takes car, bike, foot or all");
  const bool ownFields = a.hasOnewayField || a.hasSpeedField || a.defaultSpeed != 0;
  if (a.hasProfile && a.profile != "all" && ownFields)
    Misused("--oneway-field, --speed-field and --default-speed go with --profile all");
}

ImportArguments ParseImport(const std::vector<std::string>& args) {
  ImportArguments a;
  struct TextOption {
    const char* option;
    std::string* value;
    bool* given;
  };
  const TextOption texts[] = {{"--layer", &a.layer, &a.hasLayer},
                              {"--where", &a.where, &a.hasWhere},
                              {"--name-field", &a.nameField, &a.hasNameField},
                              {"--source-crs", &a.sourceCrs, &a.hasSourceCrs},
                              {"--profile", &a.profile, &a.hasProfile},
                              {"--oneway-field", &a.onewayField, &a.hasOnewayField},
                              {"--speed-field", &a.speedField, &a.hasSpeedField}};
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    const auto next = [&]() -> const std::string& {
      if (++i == args.size()) Misused(word + " needs a value");
      return args[i];
    };
    const TextOption* text = std::find_if(std::begin(texts), std::end(texts),
                                          [&word](const TextOption& t) { return word == t.option; });
    if (text != std::end(texts)) {
      *text->value = next();
      *text->given = true;
    } else if (word == "--bbox") {
      for (double& v : a.bbox) v = NumberArgument(word, next());
      if (a.bbox[0] > a.bbox[2] || a.bbox[1] > a.bbox[3])
        Misused("--bbox takes MINX MINY MAXX MAXY: a minimum is greater than its maximum");
      a.hasBbox = true;
    } else if (word == "--snap") {
      a.snap = NumberArgument(word, next());
      if (!(a.snap > 0 && a.snap <= kLargestSnap))
        Misused("--snap takes a distance of more than 0 and at most 1000 metres");
    } else if (word == "--default-speed") {
      a.defaultSpeed = NumberArgument(word, next());
      if (!(a.defaultSpeed > 0)) Misused("--default-speed takes a speed of more than 0 km/h");
    } else if (word == "--quiet") {
      a.quiet = true;
    } else if (word.rfind("--", 0) == 0) {
      Misused("unknown option " + word);
    } else {
      positional.push_back(word);
    }
  }
  if (positional.size() != 2) Misused("give one source and one output map, OUT/Mname.mif");
  a.source = positional[0];
  a.out = positional[1];
  CheckTravelOptions(a);
  return a;
}

// Raises Exception unless the output's name begins with a capital M and
// ends in .mif (in any letter case), so that its four files are four.
void CheckOutputName(const std::string& out) {
  CheckMapName(out);
  const std::string name = ExtractFileName(out);
  std::string ending = name.size() > 4 ? name.substr(name.size() - 4) : "";
  for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ending != ".mif")
    throw Exception(out + ": the name must end in .mif (the .mid files are named by replacing it)");
}

}  // namespace

void RunImport(const std::vector<std::string>& args) {
  const ImportArguments a = ParseImport(args);
  CheckOutputName(a.out);
  const std::array<std::string, 4> outputs = LayerFileNames(a.out).InOrder();
  RuvelImportRequest request = {};
  request.source = a.source.c_str();
  for (size_t i = 0; i < outputs.size(); ++i) request.outputs[i] = outputs[i].c_str();
  request.layer = a.hasLayer ? a.layer.c_str() : nullptr;
  request.where = a.hasWhere ? a.where.c_str() : nullptr;
  request.nameField = a.hasNameField ? a.nameField.c_str() : nullptr;
  request.sourceCrs = a.hasSourceCrs ? a.sourceCrs.c_str() : nullptr;
  request.profile = a.hasProfile ? a.profile.c_str() : nullptr;
  request.onewayField = a.hasOnewayField ? a.onewayField.c_str() : nullptr;
  request.speedField = a.hasSpeedField ? a.speedField.c_str() : nullptr;
  request.defaultSpeed = a.defaultSpeed;
  request.hasBbox = a.hasBbox;
  for (int i = 0; i < 4; ++i) request.bbox[i] = a.bbox[i];
  request.snap = a.snap;
  request.quiet = a.quiet;
  const auto import = reinterpret_cast<RuvelImportFunction>(ImportModuleFunction(RUVEL_IMPORT_FUNCTION));
  char message[2048] = "";
  if (import(&request, message, sizeof message) != 0) throw Exception(message);
}
