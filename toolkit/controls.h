#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

// The root of the toolkit's classes: what an event handler receives as the
// object that raised the event.
class TObject {
 public:
  virtual ~TObject() = default;
};

// An object with an owner. The owner destroys the components it owns
// together with itself, newest first, so a control always goes before the
// container it was created in.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }

 protected:
  // Destroys every owned component, newest first.
  void DestroyComponents();

  // Forgets an owned component that is being destroyed.
  virtual void RemoveComponent(TComponent* component);

 private:
  TComponent* owner_;
  std::vector<TComponent*> components_;
};

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Keys and mouse buttons held during a mouse event, as a set of flags.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1u << 0;
constexpr TShiftState ssAlt = 1u << 1;
constexpr TShiftState ssCtrl = 1u << 2;
constexpr TShiftState ssLeft = 1u << 3;
constexpr TShiftState ssRight = 1u << 4;
constexpr TShiftState ssMiddle = 1u << 5;

// How a control is placed in its parent's client area: at its own bounds
// (alNone), stacked from the top (alTop) or from the bottom (alBottom) at
// its own height over the full width, or filling what those leave
// (alClient).
enum TAlign { alNone, alTop, alBottom, alClient };

class TWinControl;

// A visible element, shown by one Qt widget that the control owns. Bounds are
// in pixels within the parent's client area.
class TControl : public TComponent {
 public:
  ~TControl() override;

  // Whether the control is meant to be shown (its own setting, true also
  // while its window is not on screen). Hiding it hides its contents too.
  bool Visible() const;
  void Visible(bool visible);

  int Left() const { return left_; }
  void Left(int left);
  int Top() const { return top_; }
  void Top(int top);
  int Width() const { return width_; }
  void Width(int width);
  int Height() const { return height_; }
  void Height(int height);
  void SetBounds(int left, int top, int width, int height);

  TAlign Align() const { return align_; }
  void Align(TAlign align);

  // Repaints the control at once, before returning.
  void Repaint();

  // The control's widget, for the toolkit itself and for tests.
  QWidget* Widget() const { return widget_; }

 protected:
  // Takes ownership of widget, which the subclass has created inside
  // parent's client widget (without a parent for a window).
  TControl(TComponent* owner, TWinControl* parent, QWidget* widget);

  // The widget a control created in parent gets as its Qt parent.
  static QWidget* ClientWidgetOf(TWinControl* parent);

  // Moves and sizes the widget to the bounds.
  virtual void ApplyBounds();

  // Records bounds the window system has already applied to the widget.
  void StoreBounds(int left, int top, int width, int height);

 private:
  friend class TWinControl;

  TWinControl* parent_;
  QWidget* widget_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAlign align_ = alNone;
};

// A control that contains other controls and aligns them within its client
// area whenever its size or their alignment changes. Hidden controls are
// aligned too, so that they have the right size when shown.
class TWinControl : public TControl {
 public:
  // The widget that the child controls' widgets live in.
  virtual QWidget* ClientWidget() const;

  // The size of the client area.
  virtual int ClientWidth() const;
  virtual int ClientHeight() const;

  // The width of the border around the client area, on every side.
  virtual int BorderWidth() const { return 0; }

  // Places the alTop, alBottom and alClient children.
  void AlignControls();

 protected:
  using TControl::TControl;
  void ApplyBounds() override;

 private:
  friend class TControl;
  std::vector<TControl*> controls_;
};

// Bevel styles of a panel's edge.
enum TBevelCut { bvNone, bvLowered, bvRaised };

// Border styles: none, or a 2-pixel sunken border around the client area.
enum TBorderStyle { bsNone, bsSingle };

// A container with an optional outer bevel and border; it shows the form's
// background colour.
class TPanel : public TWinControl {
 public:
  TPanel(TComponent* owner, TWinControl* parent);

  TBevelCut BevelOuter() const { return bevelOuter_; }
  void BevelOuter(TBevelCut bevel);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void BorderStyle(TBorderStyle style);
  int BorderWidth() const override;

 private:
  TBevelCut bevelOuter_ = bvRaised;
  TBorderStyle borderStyle_ = bsNone;
};

enum TBevelShape { bsBox, bsTopLine };

// A drawn line or frame.
class TBevel : public TControl {
 public:
  TBevel(TComponent* owner, TWinControl* parent);

  TBevelShape Shape() const { return shape_; }
  void Shape(TBevelShape shape);

 private:
  TBevelShape shape_ = bsBox;
};

// A one-line caption. It sizes itself to its text.
class TLabel : public TControl {
 public:
  TLabel(TComponent* owner, TWinControl* parent);

  std::string Caption() const;
  void Caption(const std::string& caption);
};

// A one-line status bar of two sections. The main one, on the left, shows
// SimpleText from the left with a small margin and, while a task shows its
// progress there, a progress bar after it; the side one, on the right, shows
// SideText (work going on in the background), and only while it has any.
class TStatusBar : public TControl {
 public:
  TStatusBar(TComponent* owner, TWinControl* parent);

  std::string SimpleText() const;
  void SimpleText(const std::string& text);

  std::string SideText() const;
  void SideText(const std::string& text);

  // The progress bar after the main text: percent from 0 to 100, or
  // kBusy for work whose share done is unknown, or kNoProgress to hide it.
  static constexpr int kBusy = -1;
  static constexpr int kNoProgress = -2;
  void Progress(int percent);
  int Progress() const { return progress_; }

  // The width in pixels the main section has for its text beside the
  // progress bar and the side section, and that text takes in the bar's
  // font: a caller shows only what fits.
  int TextRoom() const;
  int TextWidth(const std::string& text) const;

 protected:
  void ApplyBounds() override;

 private:
  // Places the three parts within the bar's width.
  void Arrange();

  int progress_ = kNoProgress;
};

// A one-line text box.
class TEdit : public TControl {
 public:
  TEdit(TComponent* owner, TWinControl* parent);

  std::string Text() const;
  // Replaces the text; the box shows it with its next paint (see Repaint).
  void SetText(const std::string& text);

  bool ReadOnly() const;
  void ReadOnly(bool readOnly);
};
