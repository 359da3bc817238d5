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

LayerFiles LayerFileNames(std::string fileName) {
  LayerFiles files;
  files.pointGeometry = fileName;

  fileName = StripFileExt(fileName) + ".mid";
  files.pointAttributes = fileName;

  std::string name = ExtractFileName(fileName);
  name[0] = 'S';
  fileName = ExtractFilePath(fileName) + name;
  fileName = StripFileExt(fileName) + ".mif";
  files.segmentGeometry = fileName;

  fileName = StripFileExt(fileName) + ".mid";
  files.segmentAttributes = fileName;
  return files;
}
