#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "cli/commands.h"
#include "cli/module_loader.h"
#include "import/import_module.h"
#include "map/map_files.h"
#include "toolkit/exceptions.h"
#include "toolkit/paths.h"

namespace {

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

// The request the words of `import` make, options anywhere after the
// command word; its texts point into args. The source and the output map
// are the positional words, whose outputs are left for the caller to name.
// The importer judges the values.
RuvelImportRequest ParseImport(const std::vector<std::string>& args, std::string& out) {
  RuvelImportRequest request = {};
  const std::pair<const char*, const char**> texts[] = {{"--layer", &request.layer},
                                                        {"--where", &request.where},
                                                        {"--name-field", &request.nameField},
                                                        {"--source-crs", &request.sourceCrs},
                                                        {"--profile", &request.profile},
                                                        {"--oneway-field", &request.onewayField},
                                                        {"--speed-field", &request.speedField},
                                                        {"--class-field", &request.classField}};
  const std::pair<const char*, std::pair<int*, double*>> numbers[] = {
      {"--snap", {&request.hasSnap, &request.snapMetres}},
      {"--default-speed", {&request.hasDefaultSpeed, &request.defaultSpeedKmh}}};
  std::vector<const std::string*> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    const auto next = [&]() -> const std::string& {
      if (++i == args.size()) Misused(word + " needs a value");
      return args[i];
    };
    const auto named = [&word](const auto& option) { return word == option.first; };
    if (const auto* text = std::find_if(std::begin(texts), std::end(texts), named); text != std::end(texts)) {
      *text->second = next().c_str();
    } else if (const auto* number = std::find_if(std::begin(numbers), std::end(numbers), named);
               number != std::end(numbers)) {
      *number->second.second = NumberArgument(word, next());
      *number->second.first = 1;
    } else if (word == "--bbox") {
      for (double& v : request.bbox) v = NumberArgument(word, next());
      request.hasBbox = 1;
    } else if (word == "--quiet") {
      request.quiet = 1;
    } else if (word.rfind("--", 0) == 0) {
      Misused("unknown option " + word);
    } else {
      positional.push_back(&word);
    }
  }
  if (positional.size() != 2) Misused("give one source and one output map, OUT/Mname.mif");
  request.source = positional[0]->c_str();
  out = *positional[1];
  return request;
}

// Raises Exception unless the output's name begins with a capital M and
// ends in .mif (in any letter case), so that the map's files have names of
// their own.
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
  std::string out;
  RuvelImportRequest request = ParseImport(args, out);
  CheckOutputName(out);
  const std::array<std::string, 6> outputs = LayerFileNames(out).WithRestrictions();
  for (size_t i = 0; i < outputs.size(); ++i) request.outputs[i] = outputs[i].c_str();
  const auto import = reinterpret_cast<RuvelImportFunction>(
      ModuleFunction(RUVEL_IMPORT_MODULE_FILE, "import module", RUVEL_IMPORT_FUNCTION));
  char message[2048] = "";
  const int status = import(&request, message, sizeof message);
  if (status == 2) Misused(message);
  if (status != 0) throw Exception(message);
}
