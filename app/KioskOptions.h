#pragma once
// Options of korvexa.ini's [浏览器] section, read in both kinds of start (the
// launcher bar starts the shell in daily use): the document mode the browser
// control renders in, and where the page's new windows go. Each is off unless
// set, and then the shell behaves as without it.

#include "toolkit/Win.h"

#include "browser/settings/SettingsJournal.h"
#include "core/BrowserOptions.h"
#include "core/ProfileReader.h"
#include <functional>
#include <string>

namespace kvx {

class TCustomWebHost;

// The options' values as written in korvexa.ini (GBK); empty when absent.
struct TKioskOptionTexts {
  std::string DocumentMode;  // [浏览器] 文档模式
  std::string NewWindow;     // [浏览器] 新窗口
};

TKioskOptionTexts ReadKioskOptions(const TProfileReader& ini);

// The options in force for one run. The document mode is held from
// construction, which must come before the browser control is created (the
// control reads it once), to destruction, which must come after the control is
// gone; the journal puts it back after a crash.
class TKioskOptions {
 public:
  explicit TKioskOptions(const TKioskOptionTexts& texts, TSettingsJournal& journal = Journal());

  TNewWindowMode NewWindowMode() const noexcept { return FNewWindowMode; }
  bool DocumentModeHeld() const noexcept { return FDocumentMode.Held(); }
  // What the shell ignored, one paragraph per option (GBK); empty when all is well.
  const std::string& Errors() const noexcept { return FErrors; }
  // Shows Errors in one notice box, the first time only; nothing when empty.
  void ReportErrors();

 private:
  TJournalHold FDocumentMode;
  TNewWindowMode FNewWindowMode = TNewWindowMode::nwDefault;
  std::string FErrors;
  bool FReported = false;
};

// Assigns the browser's new-window handlers for `mode` (none for "默认": the
// platform's own behaviour, untouched). closeRequested runs the shell's close
// path, with its confirmation, for the close address arriving in a new window.
void RouteNewWindows(TCustomWebHost& browser, TNewWindowMode mode,
                     std::function<void()> closeRequested);

}  // namespace kvx
