#pragma once
// What the shell does at start from its command line, and the close-address
// rule: decisions kept free of the platform so they can be tested as tables.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// Dock geometry as the launcher bar gives it: the shell's area starts at
// Left + Offset, at Top, with the given Height.
struct TDockGeometry {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Offset = 0;
  std::int32_t Height = 0;
  friend bool operator==(const TDockGeometry&, const TDockGeometry&) = default;
};

// Left edge of the docked window. Held at the 32-bit limits: a wrapped sum
// would put the window at the far opposite side of the desktop.
std::int32_t DockedWindowLeft(const TDockGeometry& dock) noexcept;

enum class TStartMode {
  smMaximised,  // fewer than four parameters: maximise, address from korvexa.ini
  smPlaced,     // four valid geometry parameters: place the window
  smFallback,   // a geometry parameter is not an integer: fallback geometry, not placed
};

struct TStartupPlan {
  TStartMode Mode = TStartMode::smMaximised;
  TDockGeometry Dock;     // all zero unless placed or fallen back
  std::string Address;    // parameter 5 as given (GBK), only in smPlaced mode
  bool Navigate = false;  // smPlaced and the address is not blank
};

// params: the command-line parameters after the program path, as GBK texts.
TStartupPlan PlanStartup(const std::vector<std::string>& params);

// The fallback dock geometry used when the command line's geometry is unusable.
inline constexpr TDockGeometry FallbackDockGeometry{0, 0, 300, 500};

// The address a page navigates to when it wants the shell to close.
inline constexpr std::string_view CloseAddress = "javascript:banner_closeapp()";

// True when url (8-bit text) contains the close address anywhere, compared
// with ASCII case folding.
bool IsCloseAddress(std::string_view url);

// Splits a command line by the platform's usual rules for programs of this
// kind: characters up to 32 separate parameters, double quotes group and are
// removed. The first element is the program path.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

}  // namespace kvx
