#pragma once

#include <cstddef>
#include <cstdio>
#include <exception>
#include <type_traits>

// The status a module's entry point returns to ruvel-route for work, which
// it runs: 0 when work ran through; otherwise, with the exception's message
// copied into message (at most messageSize bytes, zero-terminated), 2 when
// work raised Usage (wrong usage; an empty message for a Usage that carries
// none) and 1 for any other failure (failure, for an exception that carries
// no message). No exception leaves: none may cross between a module and the
// program.
template <typename Usage, typename Work>
int ModuleEntryStatus(char* message, size_t messageSize, const char* failure, Work work) {
  try {
    work();
    return 0;
  } catch (const Usage& e) {
    if constexpr (std::is_base_of_v<std::exception, Usage>)
      std::snprintf(message, messageSize, "%s", e.what());
    else
      std::snprintf(message, messageSize, "%s", "");
    return 2;
  } catch (const std::exception& e) {
    std::snprintf(message, messageSize, "%s", e.what());
  } catch (...) {
    std::snprintf(message, messageSize, "%s", failure);
  }
  return 1;
}
