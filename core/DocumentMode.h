#pragma once
// The document mode option of korvexa.ini ([浏览器] 文档模式): which of the
// engine's document modes the shell asks the browser control to render in.
// Kept free of the platform so the option's grammar and the engine-version
// table can be tested as tables.

#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

// The platform's browser-emulation values the option accepts, as the user
// writes them: 7000 (IE7 standards), 8000/9000/10000/11000 (the engine's
// standards mode for pages that declare a document type, as the platform's
// own browser does), 8888/9999/10001/11001 (that mode for every page).
inline constexpr std::uint32_t DocumentModeValues[] = {7000,  8000,  8888,  9000, 9999,
                                                       10000, 10001, 11000, 11001};

// "自动" (automatic): the newest mode the installed engine supports.
inline constexpr std::string_view DocumentModeAutomaticText = "\xD7\xD4\xB6\xAF";

enum class TDocumentModeKind {
  dmOff,        // no value: nothing is written
  dmFixed,      // one of DocumentModeValues
  dmAutomatic,  // "自动"
  dmInvalid,    // anything else: Error says why
};

struct TDocumentModeOption {
  TDocumentModeKind Kind = TDocumentModeKind::dmOff;
  std::uint32_t Mode = 0;  // dmFixed only
  std::string Error;       // dmInvalid only: a GBK message naming the key and the allowed values
};

// The option's value as read from korvexa.ini (GBK). Blanks around it are
// ignored; an empty value leaves the option off.
TDocumentModeOption ParseDocumentMode(std::string_view text);

// The newest document mode of the engine whose version the platform records
// (svcVersion, else Version, both "major.minor.build..."): N000 for engine N
// from 7 on, the mode the platform's own browser uses, capped at 11000, the
// newest mode there is. Engines that report their version as 9.10 or 9.11 are
// 10 and 11. 0 when the version is unreadable or the engine is older than 7
// (it has no document modes to choose from).
std::uint32_t NewestDocumentMode(std::wstring_view svcVersion, std::wstring_view version);

}  // namespace kvx
