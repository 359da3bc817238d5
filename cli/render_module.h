#pragma once

// The interface between ruvel-route and the render module, a shared module
// that alone links Qt Gui, so that no other start of the program pays for
// loading it. ruvel-route opens the module from its own folder only for
// `render` and calls the function below through plain C types; no
// exception crosses between them.
#include <cstddef>

// The module's file name, beside the ruvel-route executable.
#define RUVEL_RENDER_MODULE_FILE "ruvel_render.so"

extern "C" {

// Runs `ruvel-route render` with the argc words after its name: loads the
// map and draws it into the PNG file they name. Returns 0 on success;
// otherwise the reason in message (at most messageSize bytes,
// zero-terminated) and 2 for wrong usage (the message is then empty), 1 for
// any other failure.
typedef int (*RuvelRenderFunction)(int argc, const char* const* argv, char* message, size_t messageSize);
#define RUVEL_RENDER_FUNCTION "RuvelRender"
}
