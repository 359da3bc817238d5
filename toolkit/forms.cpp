#include "toolkit/forms.h"

#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <QWidget>
#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/event_dispatch.h"
#include "toolkit/menus.h"
#include "toolkit/qt_colors.h"

// The top-level widget of a form. It reports closing, moving and resizing to
// the form until the form detaches it on destruction.
class TFormWindow : public QWidget {
 public:
  TFormWindow() = default;

  void Detach() { form_ = nullptr; }
  void Attach(TCustomForm* form) { form_ = form; }

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (form_ && !form_->CloseQuery()) {
      event->ignore();
      return;
    }
    event->accept();
    if (form_) form_->Closed();
  }

  void moveEvent(QMoveEvent* event) override {
    if (form_) form_->Moved(x(), y());
    QWidget::moveEvent(event);
  }

  void resizeEvent(QResizeEvent* event) override {
    if (form_) form_->Resized(event->size().width(), event->size().height());
  }

 private:
  TCustomForm* form_ = nullptr;
};

TCustomForm::TCustomForm(TComponent* owner)
    : TWinControl(owner, nullptr, new TFormWindow()), client_(new QWidget(Widget())) {
  static_cast<TFormWindow*>(Widget())->Attach(this);
  Color(color_);
}

TCustomForm::~TCustomForm() {
  static_cast<TFormWindow*>(Widget())->Detach();
  DestroyComponents();
}

std::string TCustomForm::Caption() const { return Widget()->windowTitle().toStdString(); }

void TCustomForm::Caption(const std::string& caption) {
  Widget()->setWindowTitle(QString::fromStdString(caption));
}

int TCustomForm::ClientWidth() const { return Width(); }

void TCustomForm::ClientWidth(int width) { SetBounds(Left(), Top(), width, Height()); }

int TCustomForm::ClientHeight() const { return std::max(0, Height() - MenuBarHeight()); }

void TCustomForm::ClientHeight(int height) { SetBounds(Left(), Top(), Width(), height + MenuBarHeight()); }

QWidget* TCustomForm::ClientWidget() const { return client_; }

void TCustomForm::Color(TColor color) {
  color_ = color;
  QPalette palette = Widget()->palette();
  palette.setColor(QPalette::Window, ToQColor(color));
  Widget()->setPalette(palette);
  Widget()->setAutoFillBackground(true);
}

void TCustomForm::FontHeight(int height) {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(height);
  Widget()->setFont(font);
  LayOut();
}

void TCustomForm::Icon(const char* const* xpm) { Widget()->setWindowIcon(QIcon(QPixmap(xpm))); }

void TCustomForm::Menu(TMainMenu* menu) {
  menu_ = menu;
  menu_->MenuBar()->setParent(Widget());
  menu_->MenuBar()->show();
  LayOut();
}

void TCustomForm::Show() { Widget()->show(); }

void TCustomForm::Close() { Widget()->close(); }

void TCustomForm::DoCreate() {
  if (OnCreate) DispatchEvent([this] { OnCreate(this); });
}

void TCustomForm::ApplyBounds() {
  Widget()->move(Left(), Top());
  Widget()->resize(Width(), Height());
  LayOut();
}

void TCustomForm::RemoveComponent(TComponent* component) {
  TWinControl::RemoveComponent(component);
  if (component == menu_) menu_ = nullptr;
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery && !DispatchEvent([this, &canClose] { OnCloseQuery(this, canClose); })) return false;
  return canClose;
}

void TCustomForm::Closed() {
  if (Application->MainForm() == this) Application->Terminate();
}

void TCustomForm::Moved(int left, int top) { StoreBounds(left, top, Width(), Height()); }

void TCustomForm::Resized(int width, int height) {
  StoreBounds(Left(), Top(), width, height);
  LayOut();
  if (OnResize) DispatchEvent([this] { OnResize(this); });
}

int TCustomForm::MenuBarHeight() const { return menu_ ? menu_->MenuBar()->heightForWidth(Width()) : 0; }

void TCustomForm::LayOut() {
  const int menuHeight = MenuBarHeight();
  if (menu_) menu_->MenuBar()->setGeometry(0, 0, Width(), menuHeight);
  client_->setGeometry(0, menuHeight, Width(), ClientHeight());
  AlignControls();
}
