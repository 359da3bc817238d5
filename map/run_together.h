#pragma once

#include <exception>
#include <system_error>
#include <thread>

// Runs first on a thread of its own while second runs on the calling
// thread, and returns once both are done: work shared by both cores. An
// exception either raises leaves from here, second's when both raise. When
// no thread can be had, first runs before second.
template <typename First, typename Second>
void RunTogether(First first, Second second) {
  std::exception_ptr firstFault;
  const auto runFirst = [&] {
    try {
      first();
    } catch (...) {
      firstFault = std::current_exception();
    }
  };
  std::thread thread;
  try {
    thread = std::thread(runFirst);
  } catch (const std::system_error&) {
    runFirst();
  }
  try {
    second();
  } catch (...) {
    if (thread.joinable()) thread.join();
    throw;
  }
  if (thread.joinable()) thread.join();
  if (firstFault) std::rethrow_exception(firstFault);
}
