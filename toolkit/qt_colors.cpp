#include "toolkit/qt_colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// The palette role of each system colour the program uses.
struct SystemRole {
  uint8_t index;
  QPalette::ColorRole role;
};
constexpr SystemRole kSystemRoles[] = {
    {5, QPalette::Base},     // window background
    {8, QPalette::Text},     // window text
    {15, QPalette::Button},  // button face
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
