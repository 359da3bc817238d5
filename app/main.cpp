// Ruvel: a road-map viewer and route finder.
#include "app/main_form.h"
#include "app/program.h"

int main() { return RunProgram(fMain); }
