#include "toolkit/controls.h"

#include <qdrawutil.h>

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QWidget>
#include <algorithm>

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) delete components_.back();
}

void TComponent::RemoveComponent(TComponent* component) {
  components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
}

TControl::TControl(TComponent* owner, TWinControl* parent, QWidget* widget)
    : TComponent(owner), parent_(parent), widget_(widget) {
  if (!parent_) return;
  parent_->controls_.push_back(this);
  widget_->setVisible(true);  // shown as soon as its window is
}

TControl::~TControl() {
  if (parent_) {
    auto& siblings = parent_->controls_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  delete widget_;
}

QWidget* TControl::ClientWidgetOf(TWinControl* parent) { return parent ? parent->ClientWidget() : nullptr; }

bool TControl::Visible() const { return !widget_->isHidden(); }

void TControl::Visible(bool visible) { widget_->setVisible(visible); }

void TControl::Left(int left) { SetBounds(left, top_, width_, height_); }

void TControl::Top(int top) { SetBounds(left_, top, width_, height_); }

void TControl::Width(int width) { SetBounds(left_, top_, width, height_); }

void TControl::Height(int height) { SetBounds(left_, top_, width_, height); }

void TControl::SetBounds(int left, int top, int width, int height) {
  StoreBounds(left, top, width, height);
  ApplyBounds();
  if (align_ != alNone && parent_) parent_->AlignControls();
}

void TControl::Align(TAlign align) {
  align_ = align;
  if (parent_) parent_->AlignControls();
}

void TControl::Repaint() { widget_->repaint(); }

void TControl::ApplyBounds() {
  const int border = parent_ ? parent_->BorderWidth() : 0;
  widget_->setGeometry(left_ + border, top_ + border, width_, height_);
}

void TControl::StoreBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

QWidget* TWinControl::ClientWidget() const { return Widget(); }

int TWinControl::ClientWidth() const { return std::max(0, Width() - 2 * BorderWidth()); }

int TWinControl::ClientHeight() const { return std::max(0, Height() - 2 * BorderWidth()); }

void TWinControl::AlignControls() {
  const int width = ClientWidth();
  int top = 0, bottom = ClientHeight();
  for (TControl* control : controls_) {
    if (control->align_ != alTop) continue;
    control->StoreBounds(0, top, width, control->height_);
    control->ApplyBounds();
    top += control->height_;
  }
  for (TControl* control : controls_) {
    if (control->align_ != alBottom) continue;
    bottom -= control->height_;
    control->StoreBounds(0, bottom, width, control->height_);
    control->ApplyBounds();
  }
  for (TControl* control : controls_) {
    if (control->align_ != alClient) continue;
    control->StoreBounds(0, top, width, std::max(0, bottom - top));
    control->ApplyBounds();
  }
}

void TWinControl::ApplyBounds() {
  TControl::ApplyBounds();
  AlignControls();
}

namespace {

// Paints a panel's border and bevel over the form's background.
class PanelWidget : public QWidget {
 public:
  PanelWidget(QWidget* parent, const TPanel& panel) : QWidget(parent), panel_(panel) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QRect frame = rect();
    if (panel_.BorderStyle() == bsSingle) {
      qDrawWinPanel(&painter, frame, palette(), true);
      frame.adjust(2, 2, -2, -2);
    }
    if (panel_.BevelOuter() != bvNone)
      qDrawShadePanel(&painter, frame, palette(), panel_.BevelOuter() == bvLowered, 1);
  }

 private:
  const TPanel& panel_;
};

// Paints a bevel: a sunken line along the top edge, or a sunken frame.
class BevelWidget : public QWidget {
 public:
  BevelWidget(QWidget* parent, const TBevel& bevel) : QWidget(parent), bevel_(bevel) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (bevel_.Shape() == bsTopLine)
      qDrawShadeLine(&painter, 0, 0, width(), 0, palette(), true, 1, 0);
    else
      qDrawShadeRect(&painter, rect(), palette(), true, 1, 0);
  }

 private:
  const TBevel& bevel_;
};

}  // namespace

TPanel::TPanel(TComponent* owner, TWinControl* parent)
    : TWinControl(owner, parent, new PanelWidget(ClientWidgetOf(parent), *this)) {}

void TPanel::BevelOuter(TBevelCut bevel) {
  bevelOuter_ = bevel;
  Widget()->update();
}

void TPanel::BorderStyle(TBorderStyle style) {
  borderStyle_ = style;
  ApplyBounds();
  Widget()->update();
}

int TPanel::BorderWidth() const { return borderStyle_ == bsSingle ? 2 : 0; }

TBevel::TBevel(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent, new BevelWidget(ClientWidgetOf(parent), *this)) {}

void TBevel::Shape(TBevelShape shape) {
  shape_ = shape;
  Widget()->update();
}

TLabel::TLabel(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent, new QLabel(ClientWidgetOf(parent))) {
  static_cast<QLabel*>(Widget())->setTextFormat(Qt::PlainText);
}

std::string TLabel::Caption() const { return static_cast<QLabel*>(Widget())->text().toStdString(); }

void TLabel::Caption(const std::string& caption) {
  auto* label = static_cast<QLabel*>(Widget());
  label->setText(QString::fromStdString(caption));
  const QSize size = label->sizeHint();
  SetBounds(Left(), Top(), size.width(), size.height());
}

namespace {

constexpr int kStatusMargin = 4;     // pixels left and right of a status bar's texts
constexpr int kProgressWidth = 120;  // pixels of a status bar's progress bar

// The status bar's parts, children of its widget in this order.
QLabel* MainLabel(QWidget* bar) { return static_cast<QLabel*>(bar->children().at(0)); }
QProgressBar* ProgressBar(QWidget* bar) { return static_cast<QProgressBar*>(bar->children().at(1)); }
QLabel* SideLabel(QWidget* bar) { return static_cast<QLabel*>(bar->children().at(2)); }

QLabel* NewStatusLabel(QWidget* bar) {
  auto* label = new QLabel(bar);
  label->setTextFormat(Qt::PlainText);
  label->setContentsMargins(kStatusMargin, 0, kStatusMargin, 0);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

// The width the side section takes: its text with margins, none when empty.
int SideWidth(QWidget* bar) {
  const QLabel* side = SideLabel(bar);
  return side->text().isEmpty() ? 0 : side->fontMetrics().horizontalAdvance(side->text()) + 2 * kStatusMargin;
}

}  // namespace

TStatusBar::TStatusBar(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent, new QWidget(ClientWidgetOf(parent))) {
  NewStatusLabel(Widget());
  auto* bar = new QProgressBar(Widget());
  bar->setTextVisible(false);
  bar->setVisible(false);
  NewStatusLabel(Widget())->setVisible(false);
}

std::string TStatusBar::SimpleText() const { return MainLabel(Widget())->text().toStdString(); }

void TStatusBar::SimpleText(const std::string& text) {
  MainLabel(Widget())->setText(QString::fromStdString(text));
}

std::string TStatusBar::SideText() const { return SideLabel(Widget())->text().toStdString(); }

void TStatusBar::SideText(const std::string& text) {
  SideLabel(Widget())->setText(QString::fromStdString(text));
  SideLabel(Widget())->setVisible(!text.empty());
  Arrange();
}

void TStatusBar::Progress(int percent) {
  progress_ = percent;
  QProgressBar* bar = ProgressBar(Widget());
  bar->setVisible(percent != kNoProgress);
  if (percent == kBusy) {
    bar->setRange(0, 0);
  } else if (percent >= 0) {
    bar->setRange(0, 100);
    bar->setValue(percent);
  }
  Arrange();
}

int TStatusBar::TextRoom() const {
  const int progress = progress_ == kNoProgress ? 0 : kProgressWidth + kStatusMargin;
  return std::max(0, Width() - 2 * kStatusMargin - progress - SideWidth(Widget()));
}

int TStatusBar::TextWidth(const std::string& text) const {
  return MainLabel(Widget())->fontMetrics().horizontalAdvance(QString::fromStdString(text));
}

void TStatusBar::ApplyBounds() {
  TControl::ApplyBounds();
  Arrange();
}

void TStatusBar::Arrange() {
  const int side = SideWidth(Widget());
  const int progress = progress_ == kNoProgress ? 0 : kProgressWidth + kStatusMargin;
  const int main = std::max(0, Width() - side - progress);
  MainLabel(Widget())->setGeometry(0, 0, main, Height());
  ProgressBar(Widget())->setGeometry(main, 3, std::max(0, progress - kStatusMargin),
                                     std::max(0, Height() - 6));
  SideLabel(Widget())->setGeometry(Width() - side, 0, side, Height());
}

TEdit::TEdit(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent, new QLineEdit(ClientWidgetOf(parent))) {}

std::string TEdit::Text() const { return static_cast<QLineEdit*>(Widget())->text().toStdString(); }

// The box shows the text from its beginning, as an edit control does after
// its text is replaced; a line edit would scroll to its end, so that a long
// coordinate lost its leading digits.
void TEdit::SetText(const std::string& text) {
  auto* edit = static_cast<QLineEdit*>(Widget());
  edit->setText(QString::fromStdString(text));
  edit->setCursorPosition(0);
}

bool TEdit::ReadOnly() const { return static_cast<QLineEdit*>(Widget())->isReadOnly(); }

void TEdit::ReadOnly(bool readOnly) { static_cast<QLineEdit*>(Widget())->setReadOnly(readOnly); }
