#pragma once

#include <QColor>
#include <QRgb>

#include "toolkit/colors.h"

// Conversions between TColor and Qt's colours, for the toolkit's own use.
//
// System colours (high byte 0x80) are looked up in the application palette
// at the moment of the call, so a palette change shows in everything drawn
// afterwards. Indices follow the Windows numbering: 5 window background
// (QPalette::Base), 8 window text (QPalette::Text), 15 button face
// (QPalette::Button), the three the program draws with; any other index
// gives black. For any other value the high
// byte is ignored and the low three bytes are the colour.

// The pixel value of the system colour with the given index.
QRgb SystemQRgb(uint32_t index);

// The opaque pixel value 0xFFRRGGBB that a Format_RGB32 image stores for the
// colour. Inline: the drawing primitives convert on every call.
inline QRgb ToQRgb(TColor color) {
  if ((color >> 24) == 0x80) return SystemQRgb(color & 0xFF);
  return 0xFF000000u | (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

// The colour as a QColor, opaque.
QColor ToQColor(TColor color);

// The TColor of a pixel value; its alpha byte is ignored.
TColor FromQRgb(QRgb pixel);
