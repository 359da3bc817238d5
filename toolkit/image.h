#pragma once

#include <functional>
#include <memory>

#include "toolkit/controls.h"

class TPicture;

enum TCursor { crDefault, crCross };

// Shows its picture's bitmap unstretched at its top-left corner and repaints
// whenever the bitmap's content or size changes. Reports the pointer's
// position in its own pixels on every move over it (with or without a button
// held), every button press and every turn of the mouse wheel.
class TImage : public TControl {
 public:
  TImage(TComponent* owner, TWinControl* parent);
  ~TImage() override;

  TPicture* Picture() const { return picture_.get(); }

  // The pointer's shape over the image.
  TCursor Cursor() const { return cursor_; }
  void Cursor(TCursor cursor);

  std::function<void(TObject* sender, TShiftState shift, int x, int y)> OnMouseMove;
  std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)> OnMouseDown;
  // wheelDelta is in eighths of a degree, 120 a notch, positive when the
  // wheel turns away from the user; a touchpad sends fractions of a notch.
  std::function<void(TObject* sender, TShiftState shift, int wheelDelta, int x, int y)> OnMouseWheel;

 private:
  std::unique_ptr<TPicture> picture_;
  TCursor cursor_ = crDefault;
};
