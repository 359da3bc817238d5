// Maps dropped onto the window.
#include "app/map_drop.h"

#include <filesystem>
#include <system_error>

#include "app/main_form.h"
#include "map/map_files.h"

std::string DroppedMap(const std::vector<std::string>& files) {
  if (files.size() != 1 || files[0].empty() || !IsMapName(files[0])) return "";
  std::error_code error;
  return std::filesystem::is_regular_file(files[0], error) ? files[0] : "";
}

// A map dropped onto the window opens as File, Open... would open it.
void TfMain::FormDropFiles(TObject*, const std::vector<std::string>& files) {
  const std::string map = DroppedMap(files);
  if (!map.empty()) OpenGivenMap(map);
}
