// Which road classes a road map shows at which scale.
#include "view/road_style.h"

#include <gtest/gtest.h>

#include <string>

// Each row: metres per pixel, the map's highest class, and for each class
// from the motorway down whether it shows ('x') or not ('.').
TEST(RoadStyle, DetailByScale) {
  const struct {
    double metresPerPixel;
    RoadClass highest;
    std::string shown;  // motorway, trunk, primary, secondary, tertiary, minor, service, path
  } rows[] = {
      {100000, RoadClass::kMotorway, "xx......"},
      {151, RoadClass::kMotorway, "xx......"},
      {150, RoadClass::kMotorway, "xxx....."},
      {40.5, RoadClass::kMotorway, "xxx....."},
      {40, RoadClass::kMotorway, "xxxx...."},
      {20, RoadClass::kMotorway, "xxxxx..."},
      {10.01, RoadClass::kMotorway, "xxxxx..."},
      {10, RoadClass::kMotorway, "xxxxxx.."},
      {3.5, RoadClass::kMotorway, "xxxxxx.."},
      {3, RoadClass::kMotorway, "xxxxxxxx"},
      {0.01, RoadClass::kMotorway, "xxxxxxxx"},
      // The map's highest class shows at every scale.
      {100000, RoadClass::kMinor, "xx...x.."},
      {500, RoadClass::kPath, "xx.....x"},
      {30, RoadClass::kSecondary, "xxxx...."},
      {30, RoadClass::kService, "xxxx..x."},
  };
  for (const auto& row : rows) {
    std::string shown;
    for (int c = 0; c < kRoadClassCount; ++c)
      shown += ClassShownAt(static_cast<RoadClass>(c), row.metresPerPixel, row.highest) ? 'x' : '.';
    EXPECT_EQ(shown, row.shown) << row.metresPerPixel << " m/px, highest class "
                                << static_cast<int>(row.highest);
  }
}

// Roads widen as the view zooms in, each class within its bounds, and a
// higher class is never thinner than a lower one at the same scale.
TEST(RoadStyle, WidthsGrowWithTheZoomAndTheClass) {
  for (double metresPerPixel = 500; metresPerPixel > 0.05; metresPerPixel /= 1.5) {
    for (int c = 0; c < kRoadClassCount; ++c) {
      const RoadClass roadClass = static_cast<RoadClass>(c);
      const double width = RoadWidthPixels(roadClass, metresPerPixel);
      EXPECT_LE(RoadWidthPixels(roadClass, metresPerPixel * 1.5), width);
      if (c > 0) {
        EXPECT_GE(RoadWidthPixels(static_cast<RoadClass>(c - 1), metresPerPixel), width);
      }
    }
  }
  EXPECT_GT(RoadWidthPixels(RoadClass::kMinor, 1), 3 * RoadWidthPixels(RoadClass::kMinor, 100));
}
