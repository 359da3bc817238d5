#pragma once

#include <exception>

#include "toolkit/application.h"

// The program's start, run and end, for the main form class T: initialises
// the application, titles it "Ruvel", creates the main form in mainForm (its
// OnCreate runs inside) and runs the event loop until the main form has
// closed. An exception that escapes any of these is shown in a message box.
// The result, the process's exit code, is 0 in every case.
template <typename T>
int RunProgram(T*& mainForm) {
  try {
    Application->Initialize();
    Application->Title("Ruvel");
    Application->CreateForm(mainForm);
    Application->Run();
  } catch (const std::exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
