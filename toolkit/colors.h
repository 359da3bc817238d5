#pragma once

#include <cstdint>

// A colour as 0x00BBGGRR: red in the low byte, green in the second, blue in
// the third. A value whose high byte is 0x80 instead names a system colour by
// the index in its low byte; it is resolved from the desktop's palette each
// time something is drawn with it.
using TColor = uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clWindow = 0x80000005;      // background of windows and edit boxes
constexpr TColor clWindowText = 0x80000008;  // text on clWindow
constexpr TColor clBtnFace = 0x8000000F;     // face of buttons and dialogs
