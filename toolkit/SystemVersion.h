#pragma once
// The platform version test, through entry points looked up at run time so
// that the program starts on systems that lack them.

namespace kvx {

// Windows XP Service Pack 2 or later, asked through entry points looked up at
// run time; false when they are missing.
bool IsWinXPSP2OrLater() noexcept;

}  // namespace kvx
