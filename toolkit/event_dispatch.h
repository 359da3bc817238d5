#pragma once

#include <functional>

// Runs an event handler on behalf of the event loop. An exception of any kind
// that leaves the handler stops there: Application->ShowException shows its
// message and the loop goes on. True when the handler ran to its end.
bool DispatchEvent(const std::function<void()>& handler) noexcept;
