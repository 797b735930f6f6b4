#pragma once
// The browser component's process-wide start and stop: one object whose
// lifetime the program entry owns, made after the application object and
// before any browser component, ended after the last component is gone.
//
// It keeps the floating-point control the program started with (and puts it
// back), holds OLE for the user-interface thread, puts in the application
// hook that gives the browser its focus back when the program is activated
// and the thread's wheel focus hook, and holds the user-wide settings the
// components change while the program runs (the proxy, the navigation sound):
// its end puts back what the user had.

#include "toolkit/Win.h"

#include "browser/settings/ProxySettings.h"
#include "browser/settings/SettingsJournal.h"
#include "toolkit/Handles.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kvx {

class TApplication;
class TAppActivationHook;

// The thread's floating-point control: the x87 control word, and the control
// part of the SSE control/status register, which governs the floating-point
// work of x64 code. (The exception flags of the status part are no control:
// they are left out, and cleared whenever a control is loaded.)
struct TFloatingPointControl {
  // The x87 control word's fields: the masks of the six exceptions (invalid
  // operation, denormal operand, zero divide, overflow, underflow, precision)
  // in bits 0 to 5; bit 6, which reads as set; the precision in bits 8 and 9
  // (here 53 and 64 bits); the rounding in bits 10 and 11 (0: to nearest);
  // the infinity control of the 8087 in bit 12, ignored since the 80387.
  static constexpr std::uint16_t X87ExceptionMasks = 0x003F;
  static constexpr std::uint16_t X87Bit6 = 0x0040;
  static constexpr std::uint16_t X87Precision53 = 0x0200;
  static constexpr std::uint16_t X87Precision64 = 0x0300;
  static constexpr std::uint16_t X87InfinityControl = 0x1000;
  // MXCSR's: the six exceptions' flags in bits 0 to 5, their masks in bits 7
  // to 12, the rounding in bits 13 and 14 (0: to nearest).
  static constexpr std::uint32_t MxcsrExceptionFlags = 0x003F;
  static constexpr std::uint32_t MxcsrExceptionMasks = 0x1F80;

  // What the platform starts a thread with: every exception masked, the x87
  // unit at 53-bit precision, both rounding to nearest.
  std::uint16_t X87 = X87Bit6 | X87Precision53 | X87ExceptionMasks;
  std::uint32_t Mxcsr = MxcsrExceptionMasks;

  static TFloatingPointControl Current() noexcept;
  // The same control with all six floating-point exceptions masked in both
  // units (the x87 word: 64-bit precision, round to nearest).
  static TFloatingPointControl AllMasked(const TFloatingPointControl& from) noexcept;
  // Loads both. Pending exception flags are cleared first, so a flag that is
  // set never raises as soon as its exception is unmasked.
  void Load() const noexcept;

  friend bool operator==(const TFloatingPointControl&, const TFloatingPointControl&) = default;
};

// The control the components take as the program's own: saved by the running
// unit at its start; without one, the control the process started with.
TFloatingPointControl DefaultFloatingPointControl() noexcept;

// OLE for the user-interface thread from the component library's start to its
// end. The program entry owns one; uninitialises only what it initialised.
using TComponentLibraryOle = TOleInitialize;

class TWebHostUnit {
 public:
  // Starts the unit; raises an error when one runs already. The user-wide
  // settings are held in `journal`, whose abandoned changes (of copies that
  // ended without putting them back) are put back first.
  explicit TWebHostUnit(TApplication& application, TSettingsJournal& journal = Journal());
  // Stops it: the user's proxy and navigation sound back, the floating-point
  // control back, OLE and the hooks let go.
  ~TWebHostUnit();
  TWebHostUnit(const TWebHostUnit&) = delete;
  TWebHostUnit& operator=(const TWebHostUnit&) = delete;

  // The unit that runs now, or null.
  static TWebHostUnit* Running() noexcept;

  const TFloatingPointControl& SavedFloatingPointControl() const noexcept { return FSavedControl; }
  // The last proxy a component applied was taken.
  bool ProxyApplied() const noexcept { return FProxyApplied; }
  bool SoundsDisabled() const noexcept { return FSoundHold.Held(); }

  // Applies a component's proxy and holds it until the unit stops; answers
  // whether the platform took it.
  bool ApplyProxy(const TProxySettings& settings);
  // Mutes the navigation sound until the unit stops.
  void DisableSounds();

 private:
  TSettingsJournal& FJournal;
  TFloatingPointControl FSavedControl;
  std::optional<TOleInitialize> FOle;
  std::unique_ptr<TAppActivationHook> FActivationHook;
  bool FWheelHookOwned = false;
  std::vector<TJournalHold> FProxyHolds;
  TJournalHold FSoundHold;
  bool FProxyApplied = false;
};

}  // namespace kvx
