#pragma once

// The files of a map: it is named by its M layer's .mif file, whose name
// begins with a capital M; the others are named from it, the S layer's by
// replacing that M with an S, the optional T layer's (turn restrictions)
// with a T.

#include <array>
#include <string>

// Whether the file name of path begins with a capital M, as a map's name
// must for its S layer to be named from it.
bool IsMapName(const std::string& path);

// Raises Exception, naming path and saying why, unless IsMapName(path).
void CheckMapName(const std::string& path);

// The four files of the map whose M layer geometry is the chosen .mif file,
// named as the loader names them: the chosen path; the same with ".mid";
// both again with the name's first character replaced by "S". The new
// extensions are lower case, whatever the chosen one's case.
struct LayerFiles {
  std::string pointGeometry, pointAttributes, segmentGeometry, segmentAttributes;
  std::string restrictionGeometry, restrictionAttributes;  // the T layer's, named as the S layer's

  // The four of the M and S layers in that order, as paths.
  std::array<std::string, 4> InOrder() const {
    return {pointGeometry, pointAttributes, segmentGeometry, segmentAttributes};
  }
  // The same followed by the T layer's two.
  std::array<std::string, 6> WithRestrictions() const {
    return {pointGeometry,     pointAttributes,     segmentGeometry,
            segmentAttributes, restrictionGeometry, restrictionAttributes};
  }
};
LayerFiles LayerFileNames(std::string fileName);
