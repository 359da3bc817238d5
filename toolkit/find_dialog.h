#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/controls.h"

// A dialog for finding an entry by part of its text: a text box, below it
// the list of entries that OnSearch gives for the text typed so far, renewed
// as the text changes, and two buttons that choose the selected entry,
// besides Cancel. The first list entry is selected after every change; the
// arrow and page keys move the selection while the text box has the focus.
class TFindDialog : public TComponent {
 public:
  explicit TFindDialog(TComponent* owner);

  // The dialog's title.
  std::string Caption() const { return caption_; }
  void Caption(const std::string& caption) { caption_ = caption; }

  // The captions of the two buttons that choose an entry. The first is the
  // default: Enter and a double click on an entry choose with it.
  void Buttons(const std::string& first, const std::string& second);

  // The text in the box: the text it starts with, and after Execute the
  // text it was left with.
  std::string Text() const { return text_; }
  void Text(const std::string& text) { text_ = text; }

  // The entries to list for a text.
  std::function<std::vector<std::string>(const std::string& text)> OnSearch;

  // Shows the dialog modally. Returns 1 or 2, the button the user chose an
  // entry with, whose position in the list is then ItemIndex; 0 when the
  // user cancelled or no entry was selected.
  int Execute();
  int ItemIndex() const { return itemIndex_; }

 private:
  std::string caption_;
  std::string buttons_[2] = {"OK", "OK"};
  std::string text_;
  int itemIndex_ = -1;
};
