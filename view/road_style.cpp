#include "view/road_style.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr double kAlways = std::numeric_limits<double>::infinity();

// From the motorway down, as RoadClass orders them. Major roads wear a dark
// casing of their own colour; town roads a light grey edge that sets their
// white off the ground; paths are thin dashed lines without one.
constexpr std::array<RoadClassStyle, kRoadClassCount> kStyles = {{
    {Rgb(0x3B, 0x6E, 0xC9), Rgb(0x1D, 0x3F, 0x82), 1.0, 28, 2.6, 18, 0, 0, kAlways},  // motorway
    {Rgb(0x2F, 0x9A, 0x5D), Rgb(0x1B, 0x5E, 0x37), 1.0, 24, 2.2, 16, 0, 0, kAlways},  // trunk
    {Rgb(0xEE, 0x9A, 0x2E), Rgb(0x9C, 0x5F, 0x10), 0.9, 20, 1.9, 14, 0, 0, 150},      // primary
    {Rgb(0xF6, 0xD8, 0x5A), Rgb(0xA8, 0x8A, 0x1E), 0.8, 16, 1.6, 12, 0, 0, 40},       // secondary
    {Rgb(0xFF, 0xFF, 0xFF), Rgb(0x9A, 0x93, 0x88), 0.7, 13, 1.4, 10, 0, 0, 20},       // tertiary
    {Rgb(0xFF, 0xFF, 0xFF), Rgb(0xB9, 0xB2, 0xA7), 0.6, 10, 1.2, 9, 0, 0, 10},        // minor
    {Rgb(0xFF, 0xFF, 0xFF), Rgb(0xC8, 0xC2, 0xB8), 0.5, 6, 1.0, 6, 0, 0, 3},          // service
    {Rgb(0xB0, 0x5A, 0x3C), 0, 0, 2, 1.0, 2, 4, 3, 3},                                // path
}};

}  // namespace

const RoadClassStyle& StyleOf(RoadClass roadClass) { return kStyles[static_cast<size_t>(roadClass)]; }

double RoadWidthPixels(RoadClass roadClass, double metresPerPixel) {
  const RoadClassStyle& style = StyleOf(roadClass);
  return std::clamp(style.metresWide / metresPerPixel, style.thinnestPixels, style.widestPixels);
}

bool ClassShownAt(RoadClass roadClass, double metresPerPixel, RoadClass highestOnMap) {
  return roadClass == highestOnMap || metresPerPixel <= StyleOf(roadClass).coarsestMetresPerPixel;
}

double RouteWidthPixels(double metresPerPixel) { return std::clamp(36 / metresPerPixel, 7.0, 22.0); }

bool NamesShownAt(RoadClass roadClass, double metresPerPixel) {
  return metresPerPixel <= StyleOf(roadClass).coarsestMetresPerPixel / 2;
}
