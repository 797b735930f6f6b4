#pragma once
// How the document host raises its events while the control waits for an
// answer: an error in a handler goes to the application's error report with
// the host as sender and never reaches the control; the answer goes on from
// what the handler left in its reference arguments.

#include "toolkit/Win.h"

#include "toolkit/Application.h"

#include <utility>

namespace kvx {

// Calls `event` with `sender` first, when it is assigned.
template <class Sender, class Event, class... Args>
void RaiseEvent(Sender* sender, const Event& event, Args&&... args) noexcept {
  if (!event) return;
  try {
    event(sender, std::forward<Args>(args)...);
  } catch (...) {
    Application().HandleException(sender);
  }
}

}  // namespace kvx
