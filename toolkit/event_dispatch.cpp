#include "toolkit/event_dispatch.h"

#include <cstdio>
#include <exception>

#include "toolkit/application.h"
#include "toolkit/exceptions.h"

namespace {

// Shows the exception being handled; one that is no std::exception gets a
// message of its own. Should showing fail, a line goes to standard error
// instead, so that nothing is thrown into the event loop.
void ShowCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& e) {
      Application->ShowException(e);
    } catch (...) {
      Application->ShowException(Exception("Unknown exception"));
    }
  } catch (...) {
    std::fputs("An exception could not be shown.\n", stderr);
  }
}

}  // namespace

bool DispatchEvent(const std::function<void()>& handler) noexcept {
  try {
    handler();
    return true;
  } catch (...) {
    ShowCurrentException();
    return false;
  }
}
