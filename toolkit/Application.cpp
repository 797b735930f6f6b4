#include "toolkit/Win.h"

#include "toolkit/Application.h"

#include "core/CodePage.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Form.h"
#include "toolkit/Module.h"
#include "toolkit/Trace.h"

#include <filesystem>

namespace kvx {
namespace {

TApplication* gApplication = nullptr;

std::string DefaultTitle() { return WideToGbk(std::filesystem::path(ModuleFileName()).stem().wstring()); }

// The toolkit control a message is for: the window itself or, for a window
// the toolkit did not make (inside a hosted control), its nearest ancestor.
TWinControl* ControlOfWindow(HWND window) {
  for (HWND w = window; w; w = GetParent(w))
    if (TWinControl* control = TWinControl::FromHandle(w)) return control;
  return nullptr;
}

}  // namespace

TApplication& Application() {
  if (!gApplication) {
    static TApplication fallback;  // for code that runs without a program object
  }
  return *gApplication;
}

TApplication::TApplication() : Title(DefaultTitle()) {
  if (!gApplication) gApplication = this;
}

TApplication::~TApplication() {
  if (gApplication == this) gApplication = nullptr;
}

void TApplication::RegisterForm(TForm* form) {
  if (!FMainForm) FMainForm = form;
}

void TApplication::UnregisterForm(TForm* form) noexcept {
  if (FMainForm == form) FMainForm = nullptr;
  if (FActiveForm == form) FActiveForm = nullptr;
}

void TApplication::FormActivated(TForm* form) {
  if (FActiveForm == form) return;
  TForm* previous = FActiveForm;
  FActiveForm = form;
  if (previous) previous->Deactivate();
  form->Activate();
}

void TApplication::ActivateApp(bool active) {
  if (active == FActive) return;  // every top-level window hears it; act once
  FActive = active;
  if (active) {
    if (OnActivate) OnActivate(this);
  } else if (OnDeactivate) {
    OnDeactivate(this);
  }
}

void TApplication::Run() {
  FRunning = true;
  if (FMainForm && !FTerminated) FMainForm->Show();
  while (!FTerminated) HandleMessage();
  FRunning = false;
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg) && !FTerminated) WaitMessage();
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) {
    try {
      OnMessage(msg, handled);
    } catch (...) {
      HandleException();
      handled = true;
    }
  }
  if (!handled && !IsKeyMessage(msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void TApplication::Terminate() {
  FTerminated = true;
  WakeUp();
}

void TApplication::WakeUp() noexcept { PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0); }

bool TApplication::IsKeyMessage(MSG& msg) {
  const UINT m = msg.message;
  if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN && m != WM_KEYUP && m != WM_SYSKEYUP && m != WM_CHAR &&
      m != WM_SYSCHAR)
    return false;
  TWinControl* target = ControlOfWindow(msg.hwnd);
  if (!target) return false;
  TForm* form = nullptr;
  for (TForm* f : {FActiveForm, FMainForm})
    if (f && f == target->TopLevel()) form = f;
  if (!form) return false;

  if (form->KeyPreview) {
    if ((m == WM_KEYDOWN || m == WM_SYSKEYDOWN) && form->OnKeyDown) {
      WORD key = static_cast<WORD>(msg.wParam);
      form->OnKeyDown(form, key, KeyboardShiftState());
      if (key == 0) return true;
      msg.wParam = key;
    } else if ((m == WM_KEYUP || m == WM_SYSKEYUP) && form->OnKeyUp) {
      WORD key = static_cast<WORD>(msg.wParam);
      form->OnKeyUp(form, key, KeyboardShiftState());
      if (key == 0) return true;
      msg.wParam = key;
    } else if (m == WM_CHAR && form->OnKeyPress) {
      wchar_t key = static_cast<wchar_t>(msg.wParam);
      form->OnKeyPress(form, key);
      if (key == 0) return true;
      msg.wParam = key;
    }
  }

  // The control the key is for gets it first, reflected: a hosted ActiveX
  // control hands it to its own accelerator translation there.
  if (target->Perform(CN_BASE + m, msg.wParam, msg.lParam)) return true;

  if (m == WM_SYSCHAR) return form->Broadcast(CM_DIALOGCHAR, msg.wParam, msg.lParam) != 0;
  if (m != WM_KEYDOWN) return false;
  const WPARAM key = msg.wParam;
  UINT wants = 0;
  switch (key) {
    case VK_TAB: wants = DLGC_WANTTAB; break;
    case VK_RETURN: case VK_ESCAPE: case VK_EXECUTE: case VK_CANCEL: wants = 0; break;
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: wants = DLGC_WANTARROWS; break;
    default: return false;
  }
  LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg));
  if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | wants)) return false;
  if (form->Broadcast(CM_DIALOGKEY, key, msg.lParam)) return true;
  if (key == VK_TAB) {
    form->SelectNext((GetKeyState(VK_SHIFT) & 0x8000) == 0);
    return true;
  }
  return false;
}

void TApplication::HandleException() noexcept {
  std::exception_ptr error = std::current_exception();
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    // The silent abort is never reported.
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception("Unknown error"));
  }
}

void TApplication::ShowException(const std::exception& error) noexcept {
  try {
    if (TraceEnabled()) Trace(L"error report: " + GbkToWide(error.what()));
    if (OnException) {
      OnException(this, error);
      return;
    }
    ShowMessageBox(error.what(), Title, MB_OK | MB_ICONSTOP);
  } catch (...) {
    // Nothing sensible is left to report with.
  }
}

int TApplication::ShowMessageBox(std::string_view text, std::string_view caption, UINT flags) {
  HWND owner = GetActiveWindow();
  if (!owner && FMainForm && FMainForm->HandleAllocated() && IsWindowVisible(FMainForm->Handle()))
    owner = FMainForm->Handle();
  return ::MessageBoxW(owner, GbkToWide(text).c_str(), GbkToWide(caption).c_str(), flags);
}

}  // namespace kvx
