#include "toolkit/qt_colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// The palette role of each Windows system colour index, where Qt has one.
struct SystemRole {
  uint8_t index;
  QPalette::ColorRole role;
};
constexpr SystemRole kSystemRoles[] = {
    {0, QPalette::Midlight},          // scroll bar
    {4, QPalette::Window},            // menu background
    {5, QPalette::Base},              // window background
    {6, QPalette::Shadow},            // window frame
    {7, QPalette::WindowText},        // menu text
    {8, QPalette::Text},              // window text
    {13, QPalette::Highlight},        // selection background
    {14, QPalette::HighlightedText},  // selection text
    {15, QPalette::Button},           // button face
    {16, QPalette::Dark},             // button shadow
    {17, QPalette::PlaceholderText},  // grey text
    {18, QPalette::ButtonText},       // button text
    {20, QPalette::Light},            // button highlight
    {21, QPalette::Shadow},           // dark 3-D shadow
    {22, QPalette::Midlight},         // 3-D light
    {23, QPalette::ToolTipText},      // tooltip text
    {24, QPalette::ToolTipBase},      // tooltip background
    {26, QPalette::Link},             // hot-tracked item
};

}  // namespace

QRgb SystemQRgb(uint32_t index) {
  for (const SystemRole& entry : kSystemRoles) {
    if (entry.index == index) return QGuiApplication::palette().color(entry.role).rgb();
  }
  return qRgb(0, 0, 0);
}

QColor ToQColor(TColor color) { return QColor::fromRgb(ToQRgb(color)); }

TColor FromQRgb(QRgb pixel) {
  return static_cast<TColor>(qRed(pixel)) | static_cast<TColor>(qGreen(pixel)) << 8 |
         static_cast<TColor>(qBlue(pixel)) << 16;
}
