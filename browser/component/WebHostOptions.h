#pragma once
// The option holders of the browser host component: plain values it owns and
// a stored form fills member by member (errors, sounds and text size, the
// context-menu commands it removes).

#include "toolkit/Win.h"

#include "core/EnumSet.h"

#include <mshtmcid.h>

#include <cstddef>
#include <cstdint>

namespace kvx {

// Error options.
class TDisableErrors {
 public:
  bool EnableDDE = true;  // kept with the form; nothing reads it
  bool ScriptErrorsSuppressed = true;
  // True: the floating-point control the program started with; False: every
  // floating-point exception masked (x87 and SSE alike). Acts at once.
  bool fpExceptions() const noexcept { return FfpExceptions; }
  void SetfpExceptions(bool value);

 private:
  bool FfpExceptions = true;
};

// The browser's middle zoom level, of 0 (smallest) to 4 (largest).
inline constexpr std::int32_t NormalTextSize = 2;

// Sounds and text size.
struct TVisualEffects {
  bool DisableSounds = false;  // navigation click muted while the program runs
  // The document's zoom level is put back to the normal one when the
  // component goes, if this is another; it is not applied when the component
  // loads.
  std::int32_t TextSize = NormalTextSize;
};

// Context-menu commands the component removes (each one's command below).
enum class TIEPopupMenuItems {
  rcsBack,
  rcsForward,
  rcsSavePageBkg,
  rcsSetAsBkg,
  rcsCopyBkg,
  rcsSetAsDeskT,
  rcsSelectAll,
  rcsPaste,
  rcsCreateSC,
  rcsAddToFav,
  rcsEncoding,
  rcsRefresh,
  rcsViewSource,
  rcsProperties,
  rcsPrint,
  rcsOpenNWindow,
  rcsOpenLink,
};
using TIEPopupMenuItemSet = TEnumSet<TIEPopupMenuItems>;
inline constexpr std::size_t PopupMenuItemCount =
    static_cast<std::size_t>(TIEPopupMenuItems::rcsOpenLink) + 1;

// The browser's own menu command of each member, in the members' order.
inline constexpr UINT PopupMenuItemCommands[PopupMenuItemCount] = {
    IDM_GOBACKWARD,      // rcsBack
    IDM_GOFORWARD,       // rcsForward
    IDM_SAVEBACKGROUND,  // rcsSavePageBkg
    IDM_SETWALLPAPER,    // rcsSetAsBkg
    IDM_COPYBACKGROUND,  // rcsCopyBkg
    IDM_SETDESKTOPITEM,  // rcsSetAsDeskT
    IDM_SELECTALL,       // rcsSelectAll
    IDM_PASTE,           // rcsPaste
    IDM_CREATESHORTCUT,  // rcsCreateSC
    IDM_ADDFAVORITES,    // rcsAddToFav
    IDM_LANGUAGE,        // rcsEncoding
    IDM_REFRESH,         // rcsRefresh
    IDM_VIEWSOURCE,      // rcsViewSource
    IDM_PROPERTIES,      // rcsProperties
    IDM_PRINT,           // rcsPrint
    IDM_FOLLOWLINKN,     // rcsOpenNWindow
    IDM_FOLLOWLINKC,     // rcsOpenLink
};

}  // namespace kvx
