#include <cmath>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/import_module_loader.h"
#include "import/import_module.h"
#include "map/layer_loader.h"
#include "toolkit/exceptions.h"
#include "toolkit/paths.h"

namespace {

// A number given on the command line, whole or decimal; UsageError when the
// word is not one.
double NumberArgument(const std::string& word) {
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  if (word.empty() || *end != '\0' || !std::isfinite(value)) throw UsageError();
  return value;
}

// The words of `import`, options anywhere after the command word.
struct ImportArguments {
  std::string source, out, layer, where, nameField;
  bool hasLayer = false, hasWhere = false, hasNameField = false, hasBbox = false, quiet = false;
  double bbox[4] = {0, 0, 0, 0};
  double snap = 0;
};

ImportArguments ParseImport(const std::vector<std::string>& args) {
  ImportArguments a;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const auto next = [&]() -> const std::string& {
      if (++i == args.size()) throw UsageError();
      return args[i];
    };
    const std::string& word = args[i];
    if (word == "--layer") {
      a.layer = next();
      a.hasLayer = true;
    } else if (word == "--where") {
      a.where = next();
      a.hasWhere = true;
    } else if (word == "--name-field") {
      a.nameField = next();
      a.hasNameField = true;
    } else if (word == "--bbox") {
      for (double& v : a.bbox) v = NumberArgument(next());
      if (a.bbox[0] > a.bbox[2] || a.bbox[1] > a.bbox[3]) throw UsageError();
      a.hasBbox = true;
    } else if (word == "--snap") {
      a.snap = NumberArgument(next());
      if (a.snap < 0) throw UsageError();
    } else if (word == "--quiet") {
      a.quiet = true;
    } else if (word.rfind("--", 0) == 0) {
      throw UsageError();
    } else {
      positional.push_back(word);
    }
  }
  if (positional.size() != 2) throw UsageError();
  a.source = positional[0];
  a.out = positional[1];
  return a;
}

}  // namespace

void RunImport(const std::vector<std::string>& args) {
  const ImportArguments a = ParseImport(args);
  const std::string name = ExtractFileName(a.out);
  if (name.empty() || name[0] != 'M') {
    throw Exception(a.out +
                    ": the name must begin with a capital M (the S layer's files are named by replacing it)");
  }
  const LayerFiles files = LayerFileNames(a.out);
  RuvelImportRequest request = {};
  request.source = a.source.c_str();
  request.outputs[0] = files.pointGeometry.c_str();
  request.outputs[1] = files.pointAttributes.c_str();
  request.outputs[2] = files.segmentGeometry.c_str();
  request.outputs[3] = files.segmentAttributes.c_str();
  request.layer = a.hasLayer ? a.layer.c_str() : nullptr;
  request.where = a.hasWhere ? a.where.c_str() : nullptr;
  request.nameField = a.hasNameField ? a.nameField.c_str() : nullptr;
  request.hasBbox = a.hasBbox;
  for (int i = 0; i < 4; ++i) request.bbox[i] = a.bbox[i];
  request.snap = a.snap;
  request.quiet = a.quiet;
  const auto import = reinterpret_cast<RuvelImportFunction>(ImportModuleFunction(RUVEL_IMPORT_FUNCTION));
  char message[2048] = "";
  if (import(&request, message, sizeof message) != 0) throw Exception(message);
}
