#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/colors.h"
#include "toolkit/controls.h"

class TMainMenu;
class TFormWindow;
class KeyPreviewFilter;

// A key, as OnKeyDown reports it: the Windows virtual-key code, for the keys
// the program uses. '+' and '-' are reported as the keypad's keys, whichever
// key typed them.
using TKey = uint16_t;
constexpr TKey VK_ESCAPE = 0x1B;
constexpr TKey VK_HOME = 0x24;
constexpr TKey VK_LEFT = 0x25;
constexpr TKey VK_UP = 0x26;
constexpr TKey VK_RIGHT = 0x27;
constexpr TKey VK_DOWN = 0x28;
constexpr TKey VK_ADD = 0x6B;
constexpr TKey VK_SUBTRACT = 0x6D;

// A top-level window: an optional menu bar across the top and, below it, the
// client area that the form's controls live and align in. Left and Top are
// the window's position on the screen, Width and Height its size including
// the menu bar.
class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

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

  TMainMenu* Menu() const { return menu_; }
  void Menu(TMainMenu* menu);

  void Show();

  // Runs OnCloseQuery and closes the form when it leaves the permission
  // true; the window's close box does the same. Closing the main form ends
  // TApplication::Run.
  void Close();

  // Runs OnCreate; TApplication::CreateForm calls it once the form and all
  // of its components exist.
  void DoCreate();

  // With KeyPreview on, OnKeyDown sees every key pressed while the form is
  // the active window, before the control that has the keyboard focus does;
  // a handler that sets key to 0 keeps it from that control.
  bool KeyPreview() const { return keyPreview_ != nullptr; }
  void KeyPreview(bool preview);

  std::function<void(TObject* sender)> OnCreate;
  std::function<void(TObject* sender)> OnResize;
  std::function<void(TObject* sender, bool& canClose)> OnCloseQuery;
  std::function<void(TObject* sender, TKey& key, TShiftState shift)> OnKeyDown;

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
  std::unique_ptr<KeyPreviewFilter> keyPreview_;
  TColor color_ = clBtnFace;
};

// The base of the program's forms.
class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
};
