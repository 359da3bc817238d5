#include "toolkit/forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
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
#include "toolkit/qt_input.h"

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

// Shows the form every key pressed in its window before the widget with the
// keyboard focus gets it (or the window itself, when no widget has it).
class KeyPreviewFilter : public QObject {
 public:
  explicit KeyPreviewFilter(TCustomForm& form) : form_(form) {
    QCoreApplication::instance()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !form_.OnKeyDown) return false;
    QWidget* window = form_.Widget();
    QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : window;
    if (watched != first || first->window() != window) return false;  // not this form's, or passed on
    auto* press = static_cast<QKeyEvent*>(event);
    TKey key = KeyOf(*press);
    if (key == 0) return false;
    const TShiftState shift = ShiftStateOf(press->modifiers());
    DispatchEvent([&] { form_.OnKeyDown(&form_, key, shift); });
    return key == 0;
  }

 private:
  static TKey KeyOf(const QKeyEvent& press) {
    switch (press.key()) {
      case Qt::Key_Escape:
        return VK_ESCAPE;
      case Qt::Key_Home:
        return VK_HOME;
      case Qt::Key_Left:
        return VK_LEFT;
      case Qt::Key_Up:
        return VK_UP;
      case Qt::Key_Right:
        return VK_RIGHT;
      case Qt::Key_Down:
        return VK_DOWN;
      case Qt::Key_Plus:
        return VK_ADD;
      case Qt::Key_Minus:
        return VK_SUBTRACT;
      default:
        return 0;
    }
  }

  TCustomForm& form_;
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

void TCustomForm::KeyPreview(bool preview) {
  if (preview == KeyPreview()) return;
  keyPreview_ = preview ? std::make_unique<KeyPreviewFilter>(*this) : nullptr;
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
