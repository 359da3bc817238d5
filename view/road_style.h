#pragma once

// How a road map looks: the colour and width of each road class, which
// classes show at which scale, and the look of the route, its end marks,
// the junction dots and the road names. Data that the road-map renderer
// reads; nothing here draws.

#include "map/road_class.h"
#include "toolkit/colors.h"

// The colour 0x00BBGGRR of red, green and blue components.
constexpr TColor Rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16; }

// One road class: its fill colour; its casing, a darker edge on each side
// (none when casingWidth is 0); its fill width, the road's width on the
// ground in metres at the view's scale, kept between a thinnest and a
// widest width in pixels; dashes and gaps in pixels for a dashed line (0:
// solid); and the coarsest scale, in metres per pixel, at which it shows.
struct RoadClassStyle {
  TColor fill;
  TColor casing;
  double casingWidth;
  double metresWide;
  double thinnestPixels;
  double widestPixels;
  double dash;
  double gap;
  double coarsestMetresPerPixel;
};

// The style of a class.
const RoadClassStyle& StyleOf(RoadClass roadClass);

// The fill width in pixels of a road of roadClass at metresPerPixel.
double RoadWidthPixels(RoadClass roadClass, double metresPerPixel);

// Whether roads of roadClass are drawn at metresPerPixel on a map whose
// highest class is highestOnMap: at or below the class's coarsest scale,
// and the map's highest class at every scale, so that no map is ever blank.
bool ClassShownAt(RoadClass roadClass, double metresPerPixel, RoadClass highestOnMap);

// Whether the names of roads of roadClass are written at metresPerPixel:
// from half the class's coarsest scale down, so that a view shows the
// names of its main roads before those of every street.
bool NamesShownAt(RoadClass roadClass, double metresPerPixel);

// The map's ground.
constexpr TColor kRoadMapBackground = Rgb(0xF3, 0xF0, 0xE8);

// The route: a wide red line, translucent enough to show the road under it.
constexpr TColor kRouteColor = Rgb(0xE3, 0x1A, 0x1C);
constexpr uint8_t kRouteAlpha = 150;
double RouteWidthPixels(double metresPerPixel);

// A round mark: its radius, fill and outline in pixels and colours.
struct MarkStyle {
  double radius;
  TColor fill;
  TColor outline;
  double outlineWidth;
};
constexpr MarkStyle kStartMark{6.5, Rgb(0x1F, 0x9D, 0x3A), Rgb(0xFF, 0xFF, 0xFF), 2.5};
constexpr MarkStyle kCurrentMark{5.5, Rgb(0x1A, 0x5F, 0xD0), Rgb(0xFF, 0xFF, 0xFF), 2};

// Junction dots, shown from this scale on (metres per pixel or less).
constexpr MarkStyle kJunctionDot{2.5, Rgb(0xFF, 0xFF, 0xFF), Rgb(0x6E, 0x68, 0x5F), 1};
constexpr double kJunctionDotsCoarsestMetresPerPixel = 3;

// Road names: dark letters with a light halo, the same size at every zoom.
constexpr int kNamePixelSize = 11;
constexpr TColor kNameColor = Rgb(0x33, 0x30, 0x2C);
constexpr TColor kNameHalo = Rgb(0xFB, 0xFA, 0xF6);
constexpr double kNameHaloWidth = 2;
