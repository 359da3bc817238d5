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
  std::string source, out, layer, where, nameField, sourceCrs;
  bool hasLayer = false, hasWhere = false, hasNameField = false, hasSourceCrs = false, hasBbox = false,
       quiet = false;
  double bbox[4] = {0, 0, 0, 0};
  double snap = 0;
};

ImportArguments ParseImport(const std::vector<std::string>& args) {
  ImportArguments a;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    const auto next = [&]() -> const std::string& {
      if (++i == args.size()) Misused(word + " needs a value");
      return args[i];
    };
    const auto text = [&](std::string& value, bool& given) {
      value = next();
      given = true;
    };
    if (word == "--layer") {
      text(a.layer, a.hasLayer);
    } else if (word == "--where") {
      text(a.where, a.hasWhere);
    } else if (word == "--name-field") {
      text(a.nameField, a.hasNameField);
    } else if (word == "--source-crs") {
      text(a.sourceCrs, a.hasSourceCrs);
    } else if (word == "--bbox") {
      for (double& v : a.bbox) v = NumberArgument(word, next());
      if (a.bbox[0] > a.bbox[2] || a.bbox[1] > a.bbox[3])
        Misused("--bbox takes MINX MINY MAXX MAXY: a minimum is greater than its maximum");
      a.hasBbox = true;
    } else if (word == "--snap") {
      a.snap = NumberArgument(word, next());
      if (!(a.snap > 0 && a.snap <= kLargestSnap))
        Misused("--snap takes a distance of more than 0 and at most 1000 metres");
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
  request.hasBbox = a.hasBbox;
  for (int i = 0; i < 4; ++i) request.bbox[i] = a.bbox[i];
  request.snap = a.snap;
  request.quiet = a.quiet;
  const auto import = reinterpret_cast<RuvelImportFunction>(ImportModuleFunction(RUVEL_IMPORT_FUNCTION));
  char message[2048] = "";
  if (import(&request, message, sizeof message) != 0) throw Exception(message);
}
