#pragma once
// The option holders of the browser host component: plain values it owns and
// a stored form fills member by member (errors, sounds and text size, the
// context-menu commands it removes).

#include "toolkit/Win.h"

#include "core/EnumSet.h"

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

// Sounds and text size.
struct TVisualEffects {
  bool DisableSounds = false;  // navigation click muted while the program runs
  // The document's zoom level is put back to the normal 2 when the component
  // goes, if this is not 2; it is not applied when the component loads.
  std::int32_t TextSize = 2;
};

// Context-menu commands the component removes, with the command identifier of each.
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
extern const UINT PopupMenuItemCommands[17];

}  // namespace kvx
