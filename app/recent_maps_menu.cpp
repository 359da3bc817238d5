// File, Open Recent: the maps opened last, kept in the settings file.
#include <filesystem>
#include <string>

#include "app/main_form.h"
#include "toolkit/exceptions.h"
#include "toolkit/menus.h"
#include "toolkit/program_files.h"
#include "toolkit/settings.h"

namespace {

// The list's name in the settings file.
const char kRecentMapsSetting[] = "RecentMaps";

}  // namespace

// The entries are made once and then shown, hidden and renamed, never
// deleted: an entry's own click may change the list.
void TfMain::LoadRecentMaps() {
  for (std::size_t i = 0; i < RecentMaps::kLimit; ++i) {
    auto* item = new TMenuItem(this);
    item->OnClick = [this, i](TObject*) {
      const std::string path = recentMaps_.Paths().at(i);  // a copy: opening changes the list
      OpenRecentMap(path);
    };
    OpenRecent1->Insert(static_cast<int>(i), item);
    recentItems_.push_back(item);
  }
  recentMaps_ = RecentMaps(ReadSettingsList(kRecentMapsSetting));
  ShowRecentMaps();
}

void TfMain::RecordOpenedMap(const std::string& path) {
  recentMaps_.Add(std::filesystem::absolute(path).lexically_normal().string());
  SaveRecentMaps();
}

void TfMain::OpenRecentMap(const std::string& path) {
  try {
    CheckRegularFile(path);
  } catch (const Exception& e) {
    recentMaps_.Remove(path);
    SaveRecentMaps();
    throw Exception(e.Message() + "\nIt has been removed from Open Recent.");
  }
  OpenGivenMap(path);
}

void TfMain::ClearList1Click(TObject*) {
  recentMaps_.Clear();
  SaveRecentMaps();
}

void TfMain::SaveRecentMaps() {
  WriteSettingsList(kRecentMapsSetting, recentMaps_.Paths());
  ShowRecentMaps();
}

// Each entry's caption is its path as written, "&" included.
void TfMain::ShowRecentMaps() {
  const std::vector<std::string>& paths = recentMaps_.Paths();
  for (std::size_t i = 0; i < recentItems_.size(); ++i) {
    recentItems_[i]->Visible(i < paths.size());
    recentItems_[i]->Caption(i < paths.size() ? paths[i] : "");
  }
  OpenRecent1->Enabled(!paths.empty());
}
