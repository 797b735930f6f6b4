#pragma once
// The document mode option put into effect: the per-program browser-emulation
// value that makes the browser control render in a newer document mode.

#include "toolkit/Win.h"

#include "browser/settings/UserRegistryValues.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

// The newest document mode of the engine installed here, from its version in
// HKEY_LOCAL_MACHINE (NewestDocumentMode); 0 when it cannot be told.
std::uint32_t InstalledEngineDocumentMode();

// The program's executable file name: the value name the control looks for.
std::wstring OwnExecutableName();

// The browser-emulation value (REG_DWORD `mode`) named `valueName` under
// BrowserEmulationKey while the hold lives, recorded in the journal first.
// At the end of the last copy's hold the value goes again, or the value that
// was there before comes back.
TJournalHold HoldDocumentMode(std::uint32_t mode, TSettingsJournal& journal = Journal(),
                              std::wstring valueName = OwnExecutableName());

struct TDocumentModeResult {
  TJournalHold Hold;  // holds nothing when the option is off or invalid
  std::string Error;  // GBK, for the caller to show once; empty unless invalid
};

// The option's text from korvexa.ini ([浏览器] 文档模式, GBK) put into effect:
// nothing for an empty value, the installed engine's newest mode for "自动",
// the given mode otherwise; an unknown value writes nothing and says why.
TDocumentModeResult HoldDocumentModeOption(std::string_view optionText,
                                           TSettingsJournal& journal = Journal(),
                                           std::wstring valueName = OwnExecutableName());

}  // namespace kvx
