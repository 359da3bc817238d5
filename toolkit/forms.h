#pragma once

#include <functional>
#include <string>

#include "toolkit/colors.h"
#include "toolkit/controls.h"

class TMainMenu;
class TFormWindow;

// A top-level window: an optional menu bar across the top and, below it, the
// client area that the form's controls live and align in. Left and Top are
// the window's position on the screen, Width and Height its size including
// the menu bar.
class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  // The window title.
  std::string Caption() const;
  void Caption(const std::string& caption);

  // The size of the client area below the menu bar. Set the menu first.
  int ClientWidth() const override;
  void ClientWidth(int width);
  int ClientHeight() const override;
  void ClientHeight(int height);
  QWidget* ClientWidget() const override;

  // The background colour of the window and of the controls that do not
  // paint their own.
  TColor Color() const { return color_; }
  void Color(TColor color);

  // Sets the font of the form and its controls: the platform's default
  // sans-serif face with characters height pixels high.
  void FontHeight(int height);

  // The form's window icon, from an image in XPM form.
  void Icon(const char* const* xpm);

  // The menu bar shown across the top of the form.
  TMainMenu* Menu() const { return menu_; }
  void Menu(TMainMenu* menu);

  // Shows the window.
  void Show();

  // Runs OnCloseQuery and closes the form when it leaves the permission
  // true; the window's close box does the same. Closing the main form ends
  // TApplication::Run.
  void Close();

  // Runs OnCreate; TApplication::CreateForm calls it once the form and all
  // of its components exist.
  void DoCreate();

  std::function<void(TObject* sender)> OnCreate;
  std::function<void(TObject* sender)> OnResize;
  std::function<void(TObject* sender, bool& canClose)> OnCloseQuery;

 protected:
  void ApplyBounds() override;
  void RemoveComponent(TComponent* component) override;

 private:
  friend class TFormWindow;

  // The window's answer to a request to close: OnCloseQuery's permission,
  // false when the handler raised.
  bool CloseQuery();
  // The window closed.
  void Closed();
  // The window system moved or resized the window.
  void Moved(int left, int top);
  void Resized(int width, int height);

  int MenuBarHeight() const;
  // Places the menu bar and the client area in the window, then the controls.
  void LayOut();

  QWidget* client_;
  TMainMenu* menu_ = nullptr;
  TColor color_ = clBtnFace;
};

// The base of the program's forms.
class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
};
