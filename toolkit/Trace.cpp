#include "toolkit/Win.h"

#include "toolkit/Trace.h"

#include "toolkit/Handles.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace kvx {
namespace {

struct TTraceSettings {
  bool Enabled = false;
  std::wstring File;
  TTraceSettings() {
    wchar_t value[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"KORVEXA_TRACE", value, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || std::wstring_view(value) == L"0") return;
    Enabled = true;
    if (std::wstring_view(value) != L"1") File = value;
  }
};

const TTraceSettings& Settings() noexcept {
  static const TTraceSettings settings;
  return settings;
}

}  // namespace

bool TraceEnabled() noexcept {
  return Settings().Enabled;
}

void Trace(std::wstring_view text) noexcept {
  if (!TraceEnabled()) return;
  try {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"%02u:%02u:%02u.%03u ", now.wHour, now.wMinute, now.wSecond,
                  now.wMilliseconds);
    std::wstring line = stamp;
    line.append(text);
    line.append(L"\r\n");
    OutputDebugStringW(line.c_str());
    if (!Settings().File.empty()) {
      HANDLE opened =
          CreateFileW(Settings().File.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (opened != INVALID_HANDLE_VALUE) {
        TUniqueKernelHandle file(opened);
        int bytes = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                        nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<size_t>(bytes), '\0');
        WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), utf8.data(),
                            bytes, nullptr, nullptr);
        DWORD written = 0;
        WriteFile(file.Get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
      }
    }
  } catch (...) {
    // Tracing never disturbs the program.
  }
}

const wchar_t* MessageName(UINT msg) noexcept {
  switch (msg) {
#define KVX_MESSAGE(name) \
  case name:              \
    return L## #name;
    KVX_MESSAGE(WM_NULL)
    KVX_MESSAGE(WM_CREATE)
    KVX_MESSAGE(WM_DESTROY)
    KVX_MESSAGE(WM_MOVE)
    KVX_MESSAGE(WM_SIZE)
    KVX_MESSAGE(WM_ACTIVATE)
    KVX_MESSAGE(WM_SETFOCUS)
    KVX_MESSAGE(WM_KILLFOCUS)
    KVX_MESSAGE(WM_CLOSE)
    KVX_MESSAGE(WM_QUIT)
    KVX_MESSAGE(WM_ACTIVATEAPP)
    KVX_MESSAGE(WM_WINDOWPOSCHANGED)
    KVX_MESSAGE(WM_COPYDATA)
    KVX_MESSAGE(WM_CONTEXTMENU)
    KVX_MESSAGE(WM_KEYDOWN)
    KVX_MESSAGE(WM_KEYUP)
    KVX_MESSAGE(WM_CHAR)
    KVX_MESSAGE(WM_SYSKEYDOWN)
    KVX_MESSAGE(WM_SYSKEYUP)
    KVX_MESSAGE(WM_SYSCOMMAND)
    KVX_MESSAGE(WM_COMMAND)
    KVX_MESSAGE(WM_LBUTTONDOWN)
    KVX_MESSAGE(WM_LBUTTONUP)
    KVX_MESSAGE(WM_RBUTTONDOWN)
    KVX_MESSAGE(WM_RBUTTONUP)
    KVX_MESSAGE(WM_NCDESTROY)
#undef KVX_MESSAGE
    default:
      return nullptr;
  }
}

void TraceMessage(std::wstring_view where, HWND window, UINT msg, WPARAM wParam,
                  LPARAM lParam) noexcept {
  if (!TraceEnabled()) return;
  wchar_t text[160];
  const wchar_t* name = MessageName(msg);
  if (name) {
    std::swprintf(text, 160, L" %p %ls wParam=%llx lParam=%llx", static_cast<void*>(window), name,
                  static_cast<unsigned long long>(wParam), static_cast<unsigned long long>(lParam));
  } else {
    std::swprintf(text, 160, L" %p message %04x wParam=%llx lParam=%llx",
                  static_cast<void*>(window), msg, static_cast<unsigned long long>(wParam),
                  static_cast<unsigned long long>(lParam));
  }
  Trace(std::wstring(where) + text);
}

}  // namespace kvx
