#pragma once

#include <exception>
#include <functional>

#include "toolkit/application.h"

// The program's start, run and end, for the main form class T: initialises
// the application, titles it "Ruvel", creates the main form in mainForm (its
// OnCreate runs inside) and runs the event loop until the main form has
// closed; whenShown, if given, runs from the event loop once the main form
// is shown, as an event handler. An exception that escapes any of these is
// shown in a message box. The result, the process's exit code, is 0 in every
// case.
template <typename T>
int RunProgram(T*& mainForm, std::function<void()> whenShown = nullptr) {
  try {
    Application->Initialize();
    Application->Title("Ruvel");
    Application->CreateForm(mainForm);
    if (whenShown) Application->Queue(std::move(whenShown));
    Application->Run();
  } catch (const std::exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
