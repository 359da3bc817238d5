#include "tests/import_requests.h"

#include "map/map_files.h"

QuietRequest::QuietRequest(const std::string& sourcePath, const std::string& mif)
    : source(sourcePath), outputs(LayerFileNames(mif).WithRestrictions()), request() {
  request.source = source.c_str();
  for (size_t i = 0; i < outputs.size(); ++i) request.outputs[i] = outputs[i].c_str();
  request.quiet = 1;
}
