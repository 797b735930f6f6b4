#include "toolkit/Win.h"

#include "LauncherBar.h"

#include "core/LauncherText.h"

#include <cstdio>
#include <iterator>
#include <stdexcept>

namespace kvx {
namespace {

constexpr wchar_t kClassName[] = L"TTolvinMain";
constexpr wchar_t kTitle[] = L"TolvinMain";
// Posted to the bar's own window: wParam is the promise to keep once the thread has stopped.
constexpr UINT kStopAnswering = WM_APP + 1;

ATOM RegisterBarClass(WNDPROC proc) {
  static const ATOM atom = [proc] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    return RegisterClassExW(&wc);
  }();
  return atom;
}

}  // namespace

std::string FormatTime(const SYSTEMTIME& time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", time.wHour, time.wMinute, time.wSecond,
                time.wMilliseconds);
  return text;
}

TLauncherBar::TLauncherBar(TMessageEvent onMessage) : FOnMessage(std::move(onMessage)) {
  std::promise<HWND> created;
  std::future<HWND> window = created.get_future();
  FThread = std::thread(&TLauncherBar::Run, this, std::move(created));
  FWindow = window.get();
  if (!FWindow) {
    FThread.join();
    throw std::runtime_error("the launcher bar window could not be created");
  }
}

TLauncherBar::~TLauncherBar() {
  SetEvent(FEnding.Get());
  PostMessageW(FWindow, WM_CLOSE, 0, 0);
  FThread.join();
}

void TLauncherBar::Run(std::promise<HWND> created) {
  HWND window = nullptr;
  if (RegisterBarClass(&TLauncherBar::WindowProc))
    window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, kTitle, WS_POPUP, 0, 0, 80, 600, nullptr,
                             nullptr, GetModuleHandleW(nullptr), this);
  created.set_value(window);
  if (!window) return;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

LRESULT CALLBACK TLauncherBar::WindowProc(HWND window, UINT msg, WPARAM wParam,
                                          LPARAM lParam) noexcept {
  try {
    if (msg == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TLauncherBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (msg) {
      case WM_COPYDATA:
        if (self && lParam) self->Receive(wParam, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        return 0;
      case kStopAnswering:
        reinterpret_cast<std::promise<void>*>(wParam)->set_value();
        if (self) {
          const HANDLE goOn[] = {self->FEnding.Get(), self->FResuming.Get()};
          WaitForMultipleObjects(static_cast<DWORD>(std::size(goOn)), goOn, FALSE, INFINITE);
        }
        return 0;
      case WM_CLOSE:
        DestroyWindow(window);
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    }
  } catch (...) {
    // A recording that failed must not take the shell's send down with it.
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

void TLauncherBar::Receive(WPARAM wParam, const COPYDATASTRUCT* data) {
  TMessage message;
  message.Text = std::string(LauncherMessageText(data->lpData, data->cbData));
  message.Size = data->cbData;
  message.NulTerminated = data->lpData && data->cbData > 0 &&
                          static_cast<const char*>(data->lpData)[data->cbData - 1] == 0;
  message.Data = data->dwData;
  message.Sender = wParam;
  GetLocalTime(&message.Time);

  std::optional<std::string> answer;
  {
    std::lock_guard lock(FLock);
    FMessages.push_back(message);
    if (message.Text == LauncherPositionText) answer = FPositionAnswer;
  }
  FArrived.notify_all();
  if (FOnMessage) FOnMessage(message);
  // Answered inside the shell's own send: it waits for the geometry.
  if (answer) Send(*answer);
}

void TLauncherBar::SetShell(HWND shell) {
  std::lock_guard lock(FLock);
  FShell = shell;
}

HWND TLauncherBar::Shell() const {
  {
    std::lock_guard lock(FLock);
    if (FShell) return IsWindow(FShell) ? FShell : nullptr;
  }
  return FindWindowW(nullptr, std::wstring(ShellTitle).c_str());
}

void TLauncherBar::SetPositionAnswer(std::optional<std::string> answer) {
  std::lock_guard lock(FLock);
  FPositionAnswer = std::move(answer);
}

bool TLauncherBar::Send(std::string_view text) {
  std::string buffer(text);
  return SendBytes(buffer.c_str(), static_cast<DWORD>(buffer.size() + 1));
}

bool TLauncherBar::SendBytes(const void* data, DWORD size, ULONG_PTR dwData) {
  HWND shell = Shell();
  if (!shell) return false;
  COPYDATASTRUCT copy{dwData, size, const_cast<void*>(data)};
  SendMessageW(shell, WM_COPYDATA, reinterpret_cast<WPARAM>(FWindow),
               reinterpret_cast<LPARAM>(&copy));
  return true;
}

std::future<bool> TLauncherBar::SendAsync(std::string text) {
  return std::async(std::launch::async, [this, text = std::move(text)] { return Send(text); });
}

bool TLauncherBar::SendWithTimeout(std::string_view text, UINT timeoutMs) {
  HWND shell = Shell();
  if (!shell) return false;
  std::string buffer(text);
  COPYDATASTRUCT copy{0, static_cast<DWORD>(buffer.size() + 1), buffer.data()};
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(shell, WM_COPYDATA, reinterpret_cast<WPARAM>(FWindow),
                             reinterpret_cast<LPARAM>(&copy), SMTO_NORMAL, timeoutMs, &result) != 0;
}

void TLauncherBar::StopAnswering() {
  // An earlier resume that found the bar answering must not end this hang.
  ResetEvent(FResuming.Get());
  std::promise<void> stopped;
  std::future<void> done = stopped.get_future();
  if (PostMessageW(FWindow, kStopAnswering, reinterpret_cast<WPARAM>(&stopped), 0)) done.wait();
}

void TLauncherBar::ResumeAnswering() {
  SetEvent(FResuming.Get());
}

std::vector<TLauncherBar::TMessage> TLauncherBar::Messages() const {
  std::lock_guard lock(FLock);
  return FMessages;
}

std::size_t TLauncherBar::MessageCount() const {
  std::lock_guard lock(FLock);
  return FMessages.size();
}

std::vector<std::string> TLauncherBar::Texts(std::size_t first) const {
  std::lock_guard lock(FLock);
  std::vector<std::string> texts;
  for (std::size_t i = first; i < FMessages.size(); ++i) texts.push_back(FMessages[i].Text);
  return texts;
}

bool TLauncherBar::WaitForMessages(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(FLock);
  return FArrived.wait_for(lock, timeout, [&] { return FMessages.size() >= count; });
}

}  // namespace kvx
