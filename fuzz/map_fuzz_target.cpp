// The event fuzz target: one input is a map's six layer files (see
// fuzz/fuzz_maps.h), loaded as File,
// Open... loads a chosen map over the map open before it, then searched,
// drawn and followed by the pointer as the window does. A load may raise
// Exception (a malformed or hostile map is refused with a message); any
// other exception, a crash or a sanitizer report is a fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/offscreen_window.h"
#include "fuzz/fuzz_maps.h"
#include "map/layer_loader.h"
#include "map/map_store.h"
#include "map/road_graph.h"
#include "route/route_search.h"
#include "toolkit/controls.h"
#include "toolkit/exceptions.h"
#include "toolkit/graphics.h"
#include "toolkit/image.h"

namespace {

// The map open before each input's map: three points, two roads.
constexpr const char* kPreviousLayers[] = {
    "Point 100 200\nPoint 300 200\nPoint 300 400\n", "1,Gate\n2,Mill\n3,Ford\n",
    "Pline 2\n100 200\n300 200\nPline 3\n300 200\n320 300\n300 400\n", "1,2,200\n2,3,210\n"};
constexpr const char* kPreviousNames[] = {"Mprev.mif", "Mprev.mid", "Sprev.mif", "Sprev.mid"};

// The window's image is small, so that drawing stays cheap; the pointer
// visits its corners, its inside and positions beyond it.
constexpr int kWidth = 61;
constexpr int kHeight = 43;

// The map image's pixels, row by row.
std::vector<TColor> ImagePixels() {
  TBitmap* bitmap = fMain->ImageM->Picture()->GetBitmap();
  std::vector<TColor> pixels;
  for (int y = 0; y < bitmap->Height(); ++y)
    for (int x = 0; x < bitmap->Width(); ++x) pixels.push_back(bitmap->GetCanvas()->Pixel(x, y));
  return pixels;
}

// Runs a pointer event and checks that the picture, the pen and the brush
// it leaves are those of a full painting of the same state, from the same
// pen and brush.
template <typename Event>
void CheckedEvent(Event event) {
  TCanvas* canvas = fMain->ImageM->Picture()->GetBitmap()->GetCanvas();
  const TColor pen = canvas->Pen()->Color(), brush = canvas->Brush()->Color();
  event();
  const std::vector<TColor> redrawn = ImagePixels();
  const TColor redrawnPen = canvas->Pen()->Color(), redrawnBrush = canvas->Brush()->Color();
  canvas->Pen()->SetColor(pen);
  canvas->Brush()->SetColor(brush);
  fMain->DrawMap();
  if (ImagePixels() != redrawn || canvas->Pen()->Color() != redrawnPen ||
      canvas->Brush()->Color() != redrawnBrush)
    abort();
}

void MovePointer(int x, int y) {
  CheckedEvent([=] { fMain->ImageMMouseMove(fMain->ImageM, 0, x, y); });
}

void PressPointer(int x, int y) {
  CheckedEvent([=] { fMain->ImageMMouseDown(fMain->ImageM, mbLeft, 0, x, y); });
}

void TurnWheel(int delta, int x, int y) {
  CheckedEvent([=] { fMain->ImageMMouseWheel(fMain->ImageM, 0, delta, x, y); });
}

void PressKey(TKey key) { fMain->FormKeyDown(fMain, key, 0); }

// Searches between codes at the graph's ends and beyond them, each start
// kept for several targets, and checks every answer against the search from
// scratch; then follows the pointer over the image with a press on the way,
// as a user would.
void UseMap() {
  CheckRoutesAgainstDirectSearch();
  fMain->DrawMap();
  MovePointer(0, 0);
  MovePointer(kWidth / 2, kHeight / 2);
  PressPointer(kWidth / 3, kHeight / 3);
  MovePointer(kWidth - 1, kHeight - 1);
  MovePointer(kWidth + 10, -7);
  PressPointer(kWidth / 2, kHeight / 2);
  MovePointer(1, kHeight - 2);
  // Zoomed in deep, panned to the edges and back to the whole map.
  TurnWheel(5 * 120, kWidth / 4, kHeight / 4);
  for (const TKey key : {VK_LEFT, VK_UP, VK_ADD, VK_ADD, VK_RIGHT, VK_DOWN, VK_SUBTRACT}) PressKey(key);
  TurnWheel(14 * 120, kWidth - 1, 0);
  MovePointer(kWidth / 3, kHeight / 2);
  PressKey(VK_HOME);
}

// Opens the map at path as File, Open... does (store cleared, then loaded);
// true when the load completed.
bool OpenMap(const std::string& path) {
  ClearMapAndRoute();
  fMain->ShowWholeMap();
  try {
    LoadMapLayers(path);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void OpenPreviousMap() {
  if (!OpenMap(FuzzPath(kPreviousNames[0]))) abort();
  MovePointer(5, 5);
  PressPointer(5, 5);
  MovePointer(kWidth - 2, 2);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  PrepareFuzzFolder();
  CreateOffscreenMainWindow();
  SizeMapImage(kWidth, kHeight);
  fMain->ImageM->Visible(true);  // as after File, Open...: the keys zoom and pan
  for (int i = 0; i < 4; ++i) WriteFuzzFile(kPreviousNames[i], kPreviousLayers[i]);
  OpenPreviousMap();  // Qt's lazily built caches exist before the first input
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  OpenPreviousMap();
  if (OpenMap(WriteInputLayers(data, size))) {
    fMain->DrawMap();
  }
  UseMap();
  return 0;
}
