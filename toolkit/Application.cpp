#include "toolkit/Win.h"

#include "toolkit/Application.h"

#include "core/CodePage.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Form.h"
#include "toolkit/KeyState.h"
#include "toolkit/Module.h"
#include "toolkit/SystemColours.h"
#include "toolkit/Trace.h"

#include <algorithm>
#include <filesystem>

namespace kvx {
namespace {

TApplication* gApplication = nullptr;

constexpr wchar_t kApplicationWindowClass[] = L"KorvexaApplication";

std::string DefaultTitle() {
  return WideToGbk(std::filesystem::path(ModuleFileName()).stem().wstring());
}

}  // namespace

TApplication& Application() {
  if (!gApplication) {
    static TApplication fallback;  // for code that runs without a program object
  }
  return *gApplication;
}

TApplication::TApplication() : Title(DefaultTitle()) {
  // Before any window paints: every colour of the process resolves alike.
  UsePlatformSystemColours();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, kApplicationWindowClass, &wc)) {
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProcedure;
    wc.hInstance = instance;
    wc.lpszClassName = kApplicationWindowClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw Exception("Error registering window class");
  }
  // A tool window is never on the task bar; without a title nobody looking
  // for a window by its caption finds this one.
  FWindow.Reset(CreateWindowExW(WS_EX_TOOLWINDOW, kApplicationWindowClass, L"", WS_POPUP, 0, 0, 0,
                                0, nullptr, nullptr, instance, this));
  if (!FWindow) throw Exception("Error creating window");
  if (!gApplication) gApplication = this;
}

TApplication::~TApplication() {
  if (gApplication == this) gApplication = nullptr;
  FHooks.clear();
  if (FWindow) SetWindowLongPtrW(FWindow.Get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK TApplication::WindowProcedure(HWND window, UINT msg, WPARAM wParam,
                                               LPARAM lParam) noexcept {
  if (msg == WM_NCCREATE) {
    auto* self =
        static_cast<TApplication*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TApplication*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, msg, wParam, lParam);
  TMessage message{msg, wParam, lParam, 0};
  try {
    self->WndProc(window, message);
  } catch (...) {
    self->HandleException();
  }
  return message.Result;
}

void TApplication::WndProc(HWND window, TMessage& message) {
  // By id, so a hook may remove itself or another one while it runs.
  std::vector<int> ids;
  ids.reserve(FHooks.size());
  for (const auto& entry : FHooks) ids.push_back(entry.first);
  for (int id : ids) {
    auto found = std::find_if(FHooks.begin(), FHooks.end(),
                              [id](const auto& entry) { return entry.first == id; });
    if (found == FHooks.end()) continue;
    TWindowHook hook = found->second;  // a copy: removal must not destroy it while it runs
    if (hook(message)) return;
  }
  switch (message.Msg) {
    case CM_ACTIVATE:
      if (OnActivate) OnActivate(this);
      return;
    case CM_DEACTIVATE:
      if (OnDeactivate) OnDeactivate(this);
      return;
    case WM_ACTIVATEAPP:
      ActivateApp(message.WParam != 0);
      break;
    default:
      break;
  }
  message.Result = DefWindowProcW(window, message.Msg, message.WParam, message.LParam);
}

int TApplication::AddWindowHook(TWindowHook hook) {
  if (!hook) throw Exception("A window hook needs a handler");
  FHooks.emplace_back(FNextHookId, std::move(hook));
  return FNextHookId++;
}

void TApplication::RemoveWindowHook(int id) noexcept {
  std::erase_if(FHooks, [id](const auto& entry) { return entry.first == id; });
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
  SendMessageW(FWindow.Get(), active ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
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
  // One guard for the filter and the key step: the key step runs the
  // handlers of the form and of the control the key is for, outside any
  // window procedure's own guard. A message that raised is not dispatched.
  try {
    if (OnMessage) OnMessage(msg, handled);
    if (!handled) handled = IsKeyMessage(msg);
  } catch (...) {
    HandleException();
    handled = true;
  }
  if (!handled) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void TApplication::Terminate() {
  FTerminated = true;
  WakeUp();
}

void TApplication::WakeUp() noexcept {
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

bool TApplication::IsKeyMessage(MSG& msg) {
  const UINT m = msg.message;
  if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN && m != WM_KEYUP && m != WM_SYSKEYUP && m != WM_CHAR &&
      m != WM_SYSCHAR)
    return false;
  TWinControl* target = TWinControl::NearestControl(msg.hwnd);
  if (!target) return false;
  TForm* form = target->ParentForm();
  if (!form || (form != FActiveForm && form != FMainForm)) return false;

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
    case VK_TAB:
      wants = DLGC_WANTTAB;
      break;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_EXECUTE:
    case VK_CANCEL:
      wants = 0;
      break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      wants = DLGC_WANTARROWS;
      break;
    default:
      return false;
  }
  LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg));
  if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | wants)) return false;
  if (form->Broadcast(CM_DIALOGKEY, key, msg.lParam)) return true;
  if (key == VK_TAB) {
    form->SelectNext(!KeyDown(VK_SHIFT));
    return true;
  }
  return false;
}

void TApplication::HandleException(TObject* sender) noexcept {
  std::exception_ptr error = std::current_exception();
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    // The silent abort is never reported.
  } catch (const std::exception& e) {
    ShowException(e, sender);
  } catch (...) {
    ShowException(Exception("Unknown error"), sender);
  }
}

void TApplication::ShowException(const std::exception& error, TObject* sender) noexcept {
  try {
    if (TraceEnabled()) Trace(L"error report: " + GbkToWide(error.what()));
    if (OnException) {
      OnException(sender ? sender : this, error);
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
