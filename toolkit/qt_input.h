#pragma once

#include <Qt>

#include "toolkit/controls.h"

// The keys and mouse buttons held during an input event, as the toolkit's
// shift state; for the toolkit's own use.
inline TShiftState ShiftStateOf(Qt::KeyboardModifiers keys, Qt::MouseButtons buttons = Qt::NoButton) {
  TShiftState shift = 0;
  if (keys & Qt::ShiftModifier) shift |= ssShift;
  if (keys & Qt::AltModifier) shift |= ssAlt;
  if (keys & Qt::ControlModifier) shift |= ssCtrl;
  if (buttons & Qt::LeftButton) shift |= ssLeft;
  if (buttons & Qt::RightButton) shift |= ssRight;
  if (buttons & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}
