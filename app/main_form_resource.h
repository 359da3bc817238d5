#pragma once

class TfMain;

// Creates the components of the main window in form, owned by it, with their
// placement, captions, initial states and event bindings, and sets up the
// window itself.
void LoadMainFormResource(TfMain* form);
