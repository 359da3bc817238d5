#pragma once

#include <functional>
#include <string>

#include "toolkit/controls.h"

class QAction;
class QMenu;
class QMenuBar;

// An entry of a menu: a command, a separator (caption "-"), or, once items
// are added to it, a submenu. Captions are shown as written: no keyboard
// shortcut and no access letter.
class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  std::string Caption() const { return caption_; }
  void Caption(const std::string& caption);

  // A disabled item is greyed out and cannot be chosen.
  bool Enabled() const;
  void Enabled(bool enabled);

  // A hidden item takes no room in its menu.
  void Visible(bool visible);

  // The check mark. Choosing the item leaves it alone; OnClick decides.
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

  void Add(TMenuItem* item);

  // Puts item into the submenu at index (0 first), or last when index is
  // past the end.
  void Insert(int index, TMenuItem* item);

  std::function<void(TObject* sender)> OnClick;

  // The Qt action that stands for the item, for the toolkit and for tests.
  QAction* Action() const { return action_; }

 private:
  std::string caption_;
  bool checked_ = false;
  QAction* action_;
  QMenu* submenu_ = nullptr;
};

// The menu bar of a form (see TCustomForm::Menu).
class TMainMenu : public TComponent {
 public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;

  void Add(TMenuItem* item);

  // The Qt menu bar, for the toolkit and for tests.
  QMenuBar* MenuBar() const { return bar_; }

 private:
  QMenuBar* bar_;
};
