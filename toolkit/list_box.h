#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/controls.h"

// A list of lines, one selectable at a time.
class TListBox : public TControl {
 public:
  TListBox(TComponent* owner, TWinControl* parent);

  // Replaces the lines; none is then selected.
  void Items(const std::vector<std::string>& lines);
  int Count() const;
  std::string Item(int index) const;

  // The selected line's index, -1 for none.
  int ItemIndex() const;
  void ItemIndex(int index);

  // A double click on a line, which is then the selected one.
  std::function<void(TObject* sender)> OnDblClick;
};
