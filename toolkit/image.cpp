#include "toolkit/image.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cmath>

#include "toolkit/event_dispatch.h"
#include "toolkit/graphics.h"
#include "toolkit/qt_input.h"

namespace {

// The keys and buttons held during a mouse or wheel event.
TShiftState ShiftStateOf(const QSinglePointEvent& event) {
  return ShiftStateOf(event.modifiers(), event.buttons());
}

// The pixel that contains a pointer position: the floor of each coordinate,
// so that a position anywhere inside a pixel (on a scaled screen it has a
// fraction) names that pixel. Clamped to the int range.
QPoint PixelOf(const QPointF& position) {
  const auto floorToInt = [](double v) {
    return static_cast<int>(std::clamp(std::floor(v), double{INT_MIN}, double{INT_MAX}));
  };
  return {floorToInt(position.x()), floorToInt(position.y())};
}

TMouseButton MouseButtonOf(Qt::MouseButton button) {
  if (button == Qt::RightButton) return mbRight;
  if (button == Qt::MiddleButton) return mbMiddle;
  return mbLeft;
}

// Paints the image's bitmap and passes mouse events on to the image.
class ImageWidget : public QWidget {
 public:
  ImageWidget(QWidget* parent, TImage& image) : QWidget(parent), image_(image) { setMouseTracking(true); }

 protected:
  void paintEvent(QPaintEvent*) override {
    TBitmap* bitmap = image_.Picture()->GetBitmap();
    QPainter painter(this);
    painter.drawImage(0, 0, bitmap->Image());
    bitmap->MarkPainted();
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    if (!image_.OnMouseMove) return;
    const QPoint at = PixelOf(event->position());
    DispatchEvent([&] { image_.OnMouseMove(&image_, ShiftStateOf(*event), at.x(), at.y()); });
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (!image_.OnMouseDown) return;
    const QPoint at = PixelOf(event->position());
    DispatchEvent([&] {
      image_.OnMouseDown(&image_, MouseButtonOf(event->button()), ShiftStateOf(*event), at.x(), at.y());
    });
  }

  void wheelEvent(QWheelEvent* event) override {
    if (!image_.OnMouseWheel) return;
    const QPoint at = PixelOf(event->position());
    const int delta = event->angleDelta().y();
    DispatchEvent([&] { image_.OnMouseWheel(&image_, ShiftStateOf(*event), delta, at.x(), at.y()); });
  }

 private:
  TImage& image_;
};

}  // namespace

TImage::TImage(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent, new ImageWidget(ClientWidgetOf(parent), *this)),
      picture_(std::make_unique<TPicture>()) {
  QWidget* widget = Widget();
  picture_->GetBitmap()->SetOnChange([widget] { widget->update(); });
}

TImage::~TImage() = default;

void TImage::Cursor(TCursor cursor) {
  cursor_ = cursor;
  Widget()->setCursor(cursor == crCross ? Qt::CrossCursor : Qt::ArrowCursor);
}
