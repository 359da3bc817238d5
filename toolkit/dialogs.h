#pragma once

#include <string>

#include "toolkit/controls.h"

// Settings of an open dialog, as a set of flags.
using TOpenOptions = unsigned;
constexpr TOpenOptions ofHideReadOnly = 1u << 0;   // no read-only check box (Qt's dialog has none)
constexpr TOpenOptions ofPathMustExist = 1u << 1;  // only a file in an existing folder
constexpr TOpenOptions ofFileMustExist = 1u << 2;  // only an existing file
constexpr TOpenOptions ofEnableSizing = 1u << 3;   // the dialog can be resized

// The dialog for choosing one file to open.
class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* owner);

  // Pairs of description and pattern, all separated by "|", for example
  // "Map (*.mif)|*.mif|Any Files (*.*)|*.*"; a pattern may list several
  // wildcards separated by ";". The dialog opens with the first pair chosen.
  std::string Filter() const { return filter_; }
  void Filter(const std::string& filter) { filter_ = filter; }

  TOpenOptions Options() const { return options_; }
  void Options(TOpenOptions options) { options_ = options; }

  // Before Execute: where the dialog starts. A folder followed by a name opens
  // in that folder with the name chosen; a name with wildcards ("*" or "?")
  // instead lists only the files that match it, ignoring letter case, until
  // another filter is chosen. A relative folder counts from the current one.
  // After a confirmed Execute: the full path of the chosen file.
  std::string FileName() const { return fileName_; }
  void FileName(const std::string& fileName) { fileName_ = fileName; }

  // Shows the dialog modally. True when the user confirmed a file, which is
  // then in FileName; false when the user cancelled.
  bool Execute();

 private:
  std::string filter_;
  TOpenOptions options_ = 0;
  std::string fileName_;
};
