// Ruvel: a road-map viewer and route finder.
#include <exception>

#include "app/main_form.h"
#include "toolkit/application.h"

int main() {
  try {
    Application->Initialize();
    Application->Title("Ruvel");
    Application->CreateForm(fMain);
    Application->Run();
  } catch (const std::exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
