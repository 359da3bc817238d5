#include "map/map_files.h"

#include "toolkit/exceptions.h"
#include "toolkit/paths.h"

bool IsMapName(const std::string& path) {
  const std::string name = ExtractFileName(path);
  return !name.empty() && name[0] == 'M';
}

void CheckMapName(const std::string& path) {
  if (!IsMapName(path))
    throw Exception(path +
                    ": the name must begin with a capital M (the S layer's files are named by replacing it)");
}

namespace {

// The .mif file of the layer whose letter replaces the first character of
// the map's .mid file's name.
std::string LayerGeometry(const std::string& pointAttributes, char letter) {
  std::string name = ExtractFileName(pointAttributes);
  name[0] = letter;
  return StripFileExt(ExtractFilePath(pointAttributes) + name) + ".mif";
}

}  // namespace

LayerFiles LayerFileNames(std::string fileName) {
  LayerFiles files;
  files.pointGeometry = fileName;
  files.pointAttributes = StripFileExt(fileName) + ".mid";
  files.segmentGeometry = LayerGeometry(files.pointAttributes, 'S');
  files.segmentAttributes = StripFileExt(files.segmentGeometry) + ".mid";
  files.restrictionGeometry = LayerGeometry(files.pointAttributes, 'T');
  files.restrictionAttributes = StripFileExt(files.restrictionGeometry) + ".mid";
  return files;
}
