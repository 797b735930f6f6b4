#pragma once

namespace kvx {

// The program entry: single instance, the main window, the message loop.
// Returns the process exit code.
int RunShell();

}  // namespace kvx
