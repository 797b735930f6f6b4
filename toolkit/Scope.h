#pragma once
// Scope helpers: a variable set for a scope and put back on every way out,
// and an undo step that runs on every way out unless the work it undoes was
// completed. They make "set, do, reset" impossible to leave half done when
// the middle part raises.

#include <utility>

namespace kvx {

// Sets the variable for the helper's lifetime and gives it back the value it
// had before, however the scope ends. Old() tells what that value was: a
// re-entry guard (a bool set to true) was already held by an outer scope when
// Old() is true.
template <typename T>
class TAutoReset {
 public:
  TAutoReset(T& variable, T value) noexcept(noexcept(T(std::move(value))))
      : FVariable(variable), FOld(std::exchange(variable, std::move(value))) {}
  ~TAutoReset() { FVariable = std::move(FOld); }
  TAutoReset(const TAutoReset&) = delete;
  TAutoReset& operator=(const TAutoReset&) = delete;

  const T& Old() const noexcept { return FOld; }

 private:
  T& FVariable;
  T FOld;
};

// Runs the undo step when the scope ends, unless Release() said the work is
// done and stays. The step must not raise.
template <typename F>
class TScopeExit {
 public:
  explicit TScopeExit(F undo) noexcept : FUndo(std::move(undo)) {}
  ~TScopeExit() {
    if (FArmed) FUndo();
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

  void Release() noexcept { FArmed = false; }

 private:
  F FUndo;
  bool FArmed = true;
};

template <typename F>
[[nodiscard]] TScopeExit<F> ScopeExit(F undo) noexcept {
  return TScopeExit<F>(std::move(undo));
}

}  // namespace kvx
