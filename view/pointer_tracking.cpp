#include "app/main_form.h"

// Pointer tracking over the map: not yet wired to the route search.
void TfMain::ImageMMouseMove(TObject*, TShiftState, int, int) {}

// Choosing the start point: not yet wired to the route search.
void TfMain::ImageMMouseDown(TObject*, TMouseButton, TShiftState, int, int) {}
