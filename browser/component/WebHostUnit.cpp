#include "toolkit/Win.h"

#include "browser/component/WebHostUnit.h"

#include "browser/component/AppActivationHook.h"
#include "browser/component/BrowserWindowHooks.h"
#include "browser/settings/NavigationSound.h"
#include "toolkit/Application.h"
#include "toolkit/Exceptions.h"

#include <xmmintrin.h>

namespace kvx {
namespace {

TWebHostUnit* gRunning = nullptr;

// Every exception masked, 64-bit precision, round to nearest (bit 12 set as
// well, though no unit since the 80387 reads it).
constexpr std::uint16_t kX87AllMasked = TFloatingPointControl::X87InfinityControl |
                                        TFloatingPointControl::X87Precision64 |
                                        TFloatingPointControl::X87ExceptionMasks;
static_assert(kX87AllMasked == 0x133F, "the all-masked x87 word");
static_assert(TFloatingPointControl{}.X87 == 0x027F && TFloatingPointControl{}.Mxcsr == 0x1F80,
              "the platform's start-up control");
static_assert(TFloatingPointControl::MxcsrExceptionMasks ==
                  TFloatingPointControl::MxcsrExceptionFlags << 7,
              "a mask sits seven bits above its flag");

std::uint16_t ReadX87ControlWord() noexcept {
#if defined(__GNUC__)
  std::uint16_t word = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
#else
  return TFloatingPointControl{}
      .X87;  // a compiler without x87 access does not use that unit either
#endif
}

void LoadX87ControlWord(std::uint16_t word) noexcept {
#if defined(__GNUC__)
  __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(word));
#else
  (void)word;
#endif
}

// What the process started with, taken before any code of ours ran.
const TFloatingPointControl kProcessStartControl = TFloatingPointControl::Current();

}  // namespace

TFloatingPointControl TFloatingPointControl::Current() noexcept {
  return TFloatingPointControl{ReadX87ControlWord(), _mm_getcsr() & ~MxcsrExceptionFlags};
}

TFloatingPointControl TFloatingPointControl::AllMasked(const TFloatingPointControl& from) noexcept {
  return TFloatingPointControl{kX87AllMasked, from.Mxcsr | MxcsrExceptionMasks};
}

void TFloatingPointControl::Load() const noexcept {
  LoadX87ControlWord(X87);
  _mm_setcsr(Mxcsr & ~MxcsrExceptionFlags);
}

TFloatingPointControl DefaultFloatingPointControl() noexcept {
  return gRunning ? gRunning->SavedFloatingPointControl() : kProcessStartControl;
}

TWebHostUnit::TWebHostUnit(TApplication& application, TSettingsJournal& journal)
    : FJournal(journal) {
  if (gRunning) throw Exception("The browser component's unit runs already");
  // A copy that ended without putting the user's settings back (killed, or
  // crashed) left them in the journal: back they go before anything else.
  try {
    FJournal.RecoverAbandoned();
  } catch (...) {
    // Tried again at the next start.
  }
  FSavedControl = TFloatingPointControl::Current();
  FOle.emplace();
  FActivationHook = std::make_unique<TAppActivationHook>(application);
  FActivationHook->InstallHook();
  if (!WheelFocusHookInstalled()) FWheelHookOwned = InstallWheelFocusHook();
  gRunning = this;
}

TWebHostUnit::~TWebHostUnit() {
  gRunning = nullptr;
  // The user's own proxy comes back (the last applied was held last).
  while (!FProxyHolds.empty()) {
    FProxyHolds.back().Release();
    FProxyHolds.pop_back();
  }
  FSoundHold.Release();
  FSavedControl.Load();
  FOle.reset();
  FActivationHook.reset();
  if (FWheelHookOwned) RemoveWheelFocusHook();
}

TWebHostUnit* TWebHostUnit::Running() noexcept {
  return gRunning;
}

bool TWebHostUnit::ApplyProxy(const TProxySettings& settings) {
  TJournalHold hold = HoldProxySettings(settings, FJournal);
  FProxyApplied = hold.Applied();
  if (hold.Held()) FProxyHolds.push_back(std::move(hold));
  return FProxyApplied;
}

void TWebHostUnit::DisableSounds() {
  if (FSoundHold.Held()) return;  // muted already: a second rename would find nothing to do
  FSoundHold = HoldMutedNavigationSound(FJournal);
}

}  // namespace kvx
