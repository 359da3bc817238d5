#pragma once

#include <cstdint>

// The view's scales, in pixels per map unit along X and along negated Y.
// Set by DrawMap from the map bounds and the image size; 0.0 until a draw
// gets past its early exits, and kept through early exits and closed maps.
extern double scaleX;
extern double scaleY;

// Sets both scales for an image of width x height pixels over the current
// map bounds: the whole-number quotient image size div extent, or, where
// that is 0 because the extent exceeds the image, the fraction
// (size - 1) / extent, which fits the whole map with its far edge on the
// last column or row (the fraction's double is rounded up where needed, so
// that the far edge never lands one short). Needs an extent of at least 1
// on both axes.
void SetViewScales(int32_t width, int32_t height);

// The pixel column and row of map position (x, y): the map's smallest X is
// column 0 and its largest Y row 0. Differences are taken in 64 bits, so any
// coordinates are safe; a pixel beyond the 32-bit range (a position far
// outside the bounds) comes out as the nearest 32-bit value, which lies
// outside every image.
int32_t MapToPixelX(int32_t x);
int32_t MapToPixelY(int32_t y);

// The inverse, in floating point: the map position of a pixel. Where a scale
// is 0 (an image one pixel wide or high, or no draw yet) nothing is divided:
// the position is the map's bound on that axis (smallest X, largest Y).
double PixelToMapX(int32_t column);
double PixelToMapY(int32_t row);
