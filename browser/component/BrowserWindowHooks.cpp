#include "toolkit/Win.h"

#include "browser/component/BrowserWindowHooks.h"

#include "core/WindowThunk.h"
#include "toolkit/Application.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Handles.h"

#include <atomic>
#include <cstdint>
#include <cwchar>
#include <iterator>

namespace kvx {
namespace {

std::atomic<long> gLiveThunks{0};

#if defined(_M_X64) || defined(__x86_64__)
constexpr TThunkArchitecture kThunkArchitecture = TThunkArchitecture::X64;
#elif defined(_M_IX86) || defined(__i386__)
constexpr TThunkArchitecture kThunkArchitecture = TThunkArchitecture::X86;
#else
#error "window procedure thunks are made for x86 and x64 only"
#endif
constexpr std::size_t kThunkSize = WindowThunkSize(kThunkArchitecture);

void FillThunk(unsigned char* code, void* object, TThunkTarget target) noexcept {
  WriteWindowThunk(kThunkArchitecture, code, reinterpret_cast<std::uintptr_t>(code),
                   reinterpret_cast<std::uintptr_t>(object),
                   reinterpret_cast<std::uintptr_t>(target));
}

TUniqueHook gWheelHook;

}  // namespace

// --- TWindowThunk -------------------------------------------------------------------------------

TWindowThunk::TWindowThunk(void* object, TThunkTarget target) {
  void* code = VirtualAlloc(nullptr, kThunkSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!code) throw Exception("Out of memory for a window procedure");
  FillThunk(static_cast<unsigned char*>(code), object, target);
  DWORD old = 0;
  if (!VirtualProtect(code, kThunkSize, PAGE_EXECUTE_READ, &old)) {
    VirtualFree(code, 0, MEM_RELEASE);
    throw Exception("A window procedure could not be made executable");
  }
  FlushInstructionCache(GetCurrentProcess(), code, kThunkSize);
  FCode = code;
  ++gLiveThunks;
}

TWindowThunk::~TWindowThunk() {
  VirtualFree(FCode, 0, MEM_RELEASE);
  --gLiveThunks;
}

long TWindowThunk::LiveCount() noexcept {
  return gLiveThunks;
}

// --- TWatchedWindow ----------------------------------------------------------------------------

TWatchedWindow::TWatchedWindow(HWND window, TObserver& observer)
    : FWindow(window), FObserver(&observer), FThunk(this, &Procedure) {}

TWatchedWindow::~TWatchedWindow() = default;

std::unique_ptr<TWatchedWindow> TWatchedWindow::Install(HWND window, TObserver& observer) {
  if (!IsWindow(window) || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
    return nullptr;
  std::unique_ptr<TWatchedWindow> watched(new TWatchedWindow(window, observer));
  if (!watched->FSubclass.Install(window, watched->FThunk.Procedure())) return nullptr;
  return watched;
}

bool TWatchedWindow::TryRestore() noexcept {
  if (!FRestored) FRestored = FSubclass.Restore();
  return FRestored;
}

void TWatchedWindow::Release(std::unique_ptr<TWatchedWindow> subclass) noexcept {
  if (!subclass) return;
  subclass->FReleased = true;
  subclass->FObserver = nullptr;
  if (subclass->TryRestore() && subclass->FDepth == 0) return;  // freed here
  // Still called by the window: our procedure frees the object when it can.
  (void)subclass.release();
}

LRESULT CALLBACK TWatchedWindow::Procedure(void* object, UINT msg, WPARAM wParam,
                                           LPARAM lParam) noexcept {
  auto* self = static_cast<TWatchedWindow*>(object);
  ++self->FDepth;
  const LRESULT result = self->FSubclass.CallOld(msg, wParam, lParam);
  if (self->FObserver) {
    try {
      self->FObserver->SubclassMessage(*self, msg, wParam, lParam);
    } catch (...) {
      Application().HandleException();
    }
  }
  --self->FDepth;
  if (self->FReleased) {
    // After WM_NCDESTROY the window calls nobody again.
    if (msg == WM_NCDESTROY) {
      self->FSubclass.Forget();
      self->FRestored = true;
    }
    if (self->TryRestore() && self->FDepth == 0) delete self;
  }
  return result;
}

// --- TBrowserWindowHooks
// --------------------------------------------------------------------------

TBrowserWindowHooks::TBrowserWindowHooks(TFocusEvent onFocus) : FOnFocus(std::move(onFocus)) {}

TBrowserWindowHooks::~TBrowserWindowHooks() {
  ReleaseBrowserWindows();
}

HWND TBrowserWindowHooks::Window(TRole role) const noexcept {
  const auto& slot = FSlots[Index(role)];
  return slot ? slot->Window() : nullptr;
}

bool TBrowserWindowHooks::Hook(TRole role, HWND window) {
  TWatchedWindow::Release(std::move(FSlots[Index(role)]));
  FSlots[Index(role)] = TWatchedWindow::Install(window, *this);
  return static_cast<bool>(FSlots[Index(role)]);
}

void TBrowserWindowHooks::ReleaseBrowserWindows() noexcept {
  for (auto& slot : FSlots) TWatchedWindow::Release(std::move(slot));
}

void TBrowserWindowHooks::SubclassMessage(TWatchedWindow& subclass, UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_DESTROY:
      // One of them going means the control is rebuilding its windows: the
      // next command of the browser that asks for them hooks them again.
      ReleaseBrowserWindows();
      break;
    case WM_SETFOCUS:
      for (TRole role : {TRole::brFolderView, TRole::brFirst, TRole::brSecond}) {
        if (FSlots[Index(role)].get() == &subclass) {
          if (FOnFocus) FOnFocus(role);
          break;
        }
      }
      break;
    default:
      break;
  }
}

// --- the wheel focus hook
// --------------------------------------------------------------------------

bool InstallWheelFocusHook() noexcept {
  if (!gWheelHook)
    gWheelHook.Reset(SetWindowsHookExW(WH_MOUSE, WheelFocusHook, nullptr, GetCurrentThreadId()));
  return static_cast<bool>(gWheelHook);
}

void RemoveWheelFocusHook() noexcept {
  gWheelHook.Reset();
}

bool WheelFocusHookInstalled() noexcept {
  return static_cast<bool>(gWheelHook);
}

LRESULT CALLBACK WheelFocusHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  const LRESULT result = CallNextHookEx(gWheelHook.Get(), code, wParam, lParam);
  if (code < 0 || wParam != WM_MOUSEWHEEL) return result;
  POINT cursor;
  if (!GetCursorPos(&cursor)) return result;
  HWND parent = GetParent(WindowFromPoint(cursor));
  if (!parent) return result;
  wchar_t name[25] = {};
  if (GetClassNameW(parent, name, static_cast<int>(std::size(name))) > 0 &&
      wcscmp(name, DocumentViewClass) == 0)
    SetFocus(parent);
  return result;
}

}  // namespace kvx
