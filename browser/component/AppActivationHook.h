#pragma once
// The hook on the application window that gives the browser its focus back:
// when the program becomes the active one again while a browser component
// was the active control of the active form, that component is asked (by a
// posted focus request) to take the focus and give it to its document.

#include "toolkit/Win.h"

#include "toolkit/Control.h"

namespace kvx {

class TApplication;

// One per process: a second one installs nothing while the first is in.
class TAppActivationHook : public TObject {
 public:
  explicit TAppActivationHook(TApplication& application) noexcept : FApplication(application) {}
  ~TAppActivationHook() override;
  TAppActivationHook(const TAppActivationHook&) = delete;
  TAppActivationHook& operator=(const TAppActivationHook&) = delete;

  // Adds ApplicationWindowHook to the application window's hooks, once.
  void InstallHook();
  // Removes it, if this object installed it.
  void RemoveHook() noexcept;
  bool Installed() const noexcept { return FHookId != 0; }
  // True while any hook of the process is in.
  static bool ProcessInstalled() noexcept;

  // Posts the focus request on the application's activation (CM_ACTIVATE);
  // never handles a message, so the toolkit's own processing goes on.
  bool ApplicationWindowHook(TMessage& message);

 private:
  TApplication& FApplication;
  int FHookId = 0;
};

}  // namespace kvx
