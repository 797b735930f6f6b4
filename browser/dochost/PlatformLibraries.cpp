#include "toolkit/Win.h"

#include "browser/dochost/PlatformLibraries.h"

#include "core/CodePage.h"
#include "toolkit/Handles.h"
#include "toolkit/Module.h"

#include <htmlhelp.h>

#include <string>

namespace kvx {
namespace {

// The wide entry point: the file name is GBK, and the narrow one would read
// it in the machine's ANSI code page, whatever that is.
using THtmlHelpW = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// The HTML Help library for the rest of the process. Its windows are closed
// before it goes, so none is left running code of an unloaded library.
class THtmlHelpLibrary {
 public:
  ~THtmlHelpLibrary() {
    if (!FModule) return;
    if (auto entry = ProcAddress<THtmlHelpW>(FModule.Get(), "HtmlHelpW"))
      entry(nullptr, nullptr, HH_CLOSE_ALL, 0);
  }
  HMODULE Get() noexcept {
    if (!FModule) FModule.Reset(LoadLibraryQuietly(L"hhctrl.ocx"));
    return FModule.Get();
  }

 private:
  TUniqueModule FModule;
};

THtmlHelpLibrary HtmlHelpLibrary;
HMODULE ShdoclcLibrary = nullptr;  // kept for the life of the process

}  // namespace

HMODULE HtmlHelpModule() noexcept {
  return HtmlHelpLibrary.Get();
}

HWND CallHtmlHelp(HWND window, std::string_view file, UINT command, DWORD_PTR data) noexcept {
  return CallHtmlHelpIn(HtmlHelpModule(), window, file, command, data);
}

HWND CallHtmlHelpIn(HMODULE module, HWND window, std::string_view file, UINT command,
                    DWORD_PTR data) noexcept {
  if (!module) return nullptr;
  auto entry = ProcAddress<THtmlHelpW>(module, "HtmlHelpW");
  if (!entry) return nullptr;
  try {
    const std::wstring path = GbkToWide(file);
    return entry(window, path.c_str(), command, data);
  } catch (...) {
    return nullptr;
  }
}

HMODULE ShdoclcModule() noexcept {
  if (!ShdoclcLibrary) {
    ShdoclcLibrary = GetModuleHandleW(L"SHDOCLC.DLL");
    if (!ShdoclcLibrary) ShdoclcLibrary = LoadLibraryQuietly(L"SHDOCLC.DLL");
  }
  return ShdoclcLibrary;
}

}  // namespace kvx
