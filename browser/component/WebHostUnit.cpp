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

// The x87 control word is reached by its own two instructions (fnstcw,
// fldcw) whatever the compiler: GCC and Clang by their inline assembler, MSVC
// by its own in a 32-bit build. MSVC's 64-bit compiler has no inline
// assembler and its runtime reaches only the SSE unit there; 64-bit code of
// the platform and of that compiler does its floating point in SSE, so that
// build keeps the x87 word as the platform started it.
std::uint16_t ReadX87ControlWord() noexcept {
  std::uint16_t word = TFloatingPointControl{}.X87;
#if defined(__GNUC__)
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
#elif defined(_MSC_VER) && defined(_M_IX86)
  __asm fnstcw word
#endif
  return word;
}

void LoadX87ControlWord(std::uint16_t word) noexcept {
#if defined(__GNUC__)
  __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(word));
#elif defined(_MSC_VER) && defined(_M_IX86)
  __asm {
    fnclex
    fldcw word
  }
#else
  (void)word;
#endif
}

// MXCSR exists only where the processor has SSE: always in a 64-bit process,
// not on every processor 32-bit Windows runs on. A 32-bit GCC build is made
// for processors without SSE, so the two accesses alone are compiled for SSE
// and run only where the processor has it.
#if defined(__GNUC__) && defined(__i386__) && !defined(__SSE__)
#define KVX_SSE_ACCESS __attribute__((target("sse")))
#else
#define KVX_SSE_ACCESS
#endif

bool ProcessorHasMxcsr() noexcept {
#if defined(_M_IX86) || defined(__i386__)
  static const bool has = IsProcessorFeaturePresent(PF_XMMI_INSTRUCTIONS_AVAILABLE) != FALSE;
  return has;
#else
  return true;
#endif
}

KVX_SSE_ACCESS std::uint32_t ReadMxcsr() noexcept {
  return ProcessorHasMxcsr() ? _mm_getcsr() : TFloatingPointControl{}.Mxcsr;
}

KVX_SSE_ACCESS void LoadMxcsr(std::uint32_t value) noexcept {
  if (ProcessorHasMxcsr()) _mm_setcsr(value);
}

#undef KVX_SSE_ACCESS

// What the process started with, taken before any code of ours ran.
const TFloatingPointControl kProcessStartControl = TFloatingPointControl::Current();

}  // namespace

TFloatingPointControl TFloatingPointControl::Current() noexcept {
  return TFloatingPointControl{ReadX87ControlWord(), ReadMxcsr() & ~MxcsrExceptionFlags};
}

TFloatingPointControl TFloatingPointControl::AllMasked(const TFloatingPointControl& from) noexcept {
  return TFloatingPointControl{kX87AllMasked, from.Mxcsr | MxcsrExceptionMasks};
}

void TFloatingPointControl::Load() const noexcept {
  LoadX87ControlWord(X87);
  LoadMxcsr(Mxcsr & ~MxcsrExceptionFlags);
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
