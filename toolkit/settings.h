#pragma once

#include <string>
#include <vector>

// The program's settings file, which keeps what the user chose from one run
// to the next: $XDG_CONFIG_HOME/ruvel/ruvel.conf, or
// ~/.config/ruvel/ruvel.conf when XDG_CONFIG_HOME is unset, empty or not an
// absolute path.
std::string SettingsFilePath();

// The list of texts kept under name in the settings file; empty when the
// file or the list is missing.
std::vector<std::string> ReadSettingsList(const std::string& name);

// Keeps values under name in the settings file, written at once (its folder
// made when missing) and replaced whole, never left half written. A file
// that cannot be written stays as it was: the list is a convenience, and the
// program goes on without it.
void WriteSettingsList(const std::string& name, const std::vector<std::string>& values);
