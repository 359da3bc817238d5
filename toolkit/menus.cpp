#include "toolkit/menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <climits>

#include "toolkit/event_dispatch.h"

namespace {

// Qt reads "&" as the mark of an access letter; doubled, it is shown as is.
QString LiteralMenuText(const std::string& caption) {
  return QString::fromStdString(caption).replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), action_(new QAction()) {
  QObject::connect(action_, &QAction::triggered, action_, [this] {
    action_->setChecked(checked_);  // undo Qt's own toggling of a checkable action
    if (OnClick) DispatchEvent([this] { OnClick(this); });
  });
}

TMenuItem::~TMenuItem() {
  delete submenu_;
  delete action_;
}

void TMenuItem::Caption(const std::string& caption) {
  caption_ = caption;
  // A separator is a line only: Qt's styles would draw its text beside it.
  const bool separator = caption == "-";
  action_->setSeparator(separator);
  action_->setText(separator ? QString() : LiteralMenuText(caption));
}

bool TMenuItem::Enabled() const { return action_->isEnabled(); }

void TMenuItem::Enabled(bool enabled) { action_->setEnabled(enabled); }

void TMenuItem::Visible(bool visible) { action_->setVisible(visible); }

// Only a checked item is checkable in Qt, so that an unchecked one shows no
// empty check box.
void TMenuItem::SetChecked(bool checked) {
  checked_ = checked;
  action_->setCheckable(checked);
  action_->setChecked(checked);
}

void TMenuItem::Add(TMenuItem* item) { Insert(INT_MAX, item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!submenu_) {
    submenu_ = new QMenu();
    action_->setMenu(submenu_);
  }
  submenu_->insertAction(submenu_->actions().value(index), item->action_);
}

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), bar_(new QMenuBar()) {
  bar_->setNativeMenuBar(false);
}

TMainMenu::~TMainMenu() { delete bar_; }

void TMainMenu::Add(TMenuItem* item) { bar_->addAction(item->Action()); }
