// View, Find...: finding a junction of the open map by its name.
#include <algorithm>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/map_handlers.h"
#include "map/junction_search.h"
#include "map/map_store.h"
#include "toolkit/find_dialog.h"
#include "view/map_zoom.h"

namespace {

// The zoom level a found junction is shown at, at least.
constexpr int32_t kFoundJunctionZoom = 4;

// Centres the view on the point at index, at zoom level kFoundJunctionZoom
// or closer, and makes it the current point (with asStart first the start
// point too); the pointer's position, its boxes and its mark stay.
void ShowJunction(TfMain* form, int32_t index, bool asStart) {
  CentreViewOn(form->mapView, points[index].X, points[index].Y, kFoundJunctionZoom);
  if (asStart) startPoint = index;
  MakeCurrentPoint(form, index);
  form->DrawMap();
}

}  // namespace

// Lists the junctions whose names contain the text typed, as it is typed;
// the one chosen is shown, and with "Start here" made the start point.
void TfMain::Find1Click(TObject*) {
  const std::vector<std::string> foldedNames = FoldedJunctionNames();
  std::vector<int32_t> listed;
  FindDialog1->OnSearch = [&](const std::string& text) {
    listed = MatchingJunctions(foldedNames, text, FIND_LIST_LIMIT);
    std::vector<std::string> labels(listed.size());
    std::transform(listed.begin(), listed.end(), labels.begin(), JunctionLabel);
    return labels;
  };
  const int button = FindDialog1->Execute();
  FindDialog1->OnSearch = nullptr;
  if (button != 0) ShowJunction(this, listed[FindDialog1->ItemIndex()], button == 2);
}
