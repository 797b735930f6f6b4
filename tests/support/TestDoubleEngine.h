#pragma once
// The browser's side of the test double: what the platform's WebBrowser
// control and its HTML engine ask the host they are sited on (the UI handler,
// the show-UI and the command target found on the client site), asked the
// way the engine asks. Every task-memory buffer the host hands out is freed
// here, as the engine frees it, so that a host's leak shows in the count of
// task memory alive (OutstandingTaskMemory).

#include "toolkit/Win.h"

#include "tests/support/TestDoubleControl.h"

#include <docobj.h>
#include <mshtmhst.h>
#include <wrl/client.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace kvx::test {

// Task-memory blocks (CoTaskMemAlloc) allocated since the first call and
// not freed yet, counted by a malloc spy that stays for the process's life.
long OutstandingTaskMemory();

// A command target as the engine passes one with a context-menu request:
// with IOleWindow (and a window of its own that records the WM_COMMANDs it
// receives) or without. Like the platform's document view it answers the
// encoding submenu to command 27 of CGID_ShellDocView, and nothing else.
class TTestCommandTarget final : public IOleCommandTarget, public IOleWindow {
 public:
  explicit TTestCommandTarget(bool offersWindow);
  ~TTestCommandTarget();
  TTestCommandTarget(const TTestCommandTarget&) = delete;
  TTestCommandTarget& operator=(const TTestCommandTarget&) = delete;

  HWND Window() const noexcept { return FWindow; }
  // What the engine passes (no reference added).
  IUnknown* Unknown() noexcept { return static_cast<IOleCommandTarget*>(this); }
  // wParam of every WM_COMMAND the window received.
  std::vector<WPARAM> Commands;
  // The submenu answered to the encoding command (handed over to whoever
  // asked); null: the command is refused.
  HMENU EncodingMenu = nullptr;
  struct TExec {
    GUID Group;  // GUID_NULL for none
    DWORD Command, Option;
    bool In;  // an in-value was passed
  };
  std::vector<TExec> Execs;
  long OutstandingReferences() const noexcept { return FRefs; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(++FRefs); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return static_cast<ULONG>(--FRefs); }
  STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) noexcept override {
    return S_OK;
  }
  STDMETHODIMP Exec(const GUID* group, DWORD command, DWORD option, VARIANT* in,
                    VARIANT* out) noexcept override;
  STDMETHODIMP GetWindow(HWND* window) noexcept override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  bool FOffersWindow;
  HWND FWindow = nullptr;
  long FRefs = 0;
};

// What the host answered to GetHostInfo: the record as the engine read it
// back, whether the host wrote past the record's platform size, and the
// style sheet and namespace texts it handed out (freed here).
struct THostInfoAnswer {
  HRESULT Result = E_FAIL;
  DOCHOSTUIINFO Info{};
  bool WrotePastRecord = false;
  std::wstring HostCss, HostNS;
};

// A text the host handed out in task memory (freed here).
struct TTextAnswer {
  HRESULT Result = E_FAIL;
  std::wstring Text;
  bool Received = false;      // a buffer came back
  bool Terminated = true;     // its zero character lies inside the allocated block
  bool LeftAsPassed = false;  // the out-parameter kept the value the engine passed in
};

class TTestDoubleEngine {
 public:
  explicit TTestDoubleEngine(TTestDoubleControl& control) noexcept : FControl(control) {}

  // The site's interfaces, as the engine looks for them (empty when not
  // offered): asked of the site each time, or, between Keep and LetGo, kept
  // once found, as the platform's engine keeps them.
  Microsoft::WRL::ComPtr<IDocHostUIHandler> UIHandler() const;
  Microsoft::WRL::ComPtr<IDocHostUIHandler2> UIHandler2() const;
  Microsoft::WRL::ComPtr<IDocHostShowUI> ShowUI() const;
  Microsoft::WRL::ComPtr<IOleCommandTarget> CommandTarget() const;
  void Keep() noexcept { FKeep = true; }
  void LetGo() noexcept;

  // Into a record pre-filled, with the bytes after it, with garbage.
  THostInfoAnswer GetHostInfo() const;
  // A key message while exactly `keysDown` are down (the thread's keyboard
  // state, with the generic Ctrl, Alt and Shift derived from the sided
  // ones); the state is put back afterwards.
  HRESULT TranslateAccelerator(UINT message, WPARAM key,
                               std::initializer_list<BYTE> keysDown) const;
  HRESULT ShowContextMenu(DWORD id, POINT at, IUnknown* commandTarget,
                          IDispatch* context = nullptr) const;
  // A script error of `document`, carried in vaIn as the engine does.
  HRESULT ShowScriptError(IUnknown* document, VARIANT& out) const;
  HRESULT Exec(const GUID* group, DWORD command, VARIANT* in = nullptr,
               VARIANT* out = nullptr) const;
  TTextAnswer TranslateUrl(const wchar_t* url) const;
  TTextAnswer GetOptionKeyPath() const;
  TTextAnswer GetOverrideKeyPath() const;
  HRESULT ShowMessage(const wchar_t* text, const wchar_t* caption, DWORD type,
                      LRESULT& result) const;
  HRESULT ShowHelp(const wchar_t* helpFile, UINT command, DWORD data) const;

 private:
  template <class T>
  Microsoft::WRL::ComPtr<T> Find(Microsoft::WRL::ComPtr<T>& kept) const;
  // Asks for a text in task memory, passing in what the host must not keep.
  TTextAnswer AskText(const std::function<HRESULT(wchar_t** out)>& ask) const;

  TTestDoubleControl& FControl;
  bool FKeep = false;
  mutable Microsoft::WRL::ComPtr<IDocHostUIHandler> FHandler;
  mutable Microsoft::WRL::ComPtr<IDocHostUIHandler2> FHandler2;
  mutable Microsoft::WRL::ComPtr<IDocHostShowUI> FShowUI;
  mutable Microsoft::WRL::ComPtr<IOleCommandTarget> FCommandTarget;
};

}  // namespace kvx::test
