// The link to the launcher bar: geometry reports out, commands, addresses and
// dock geometry in, and the docked maximise.

#include "toolkit/Win.h"

#include "app/MainForm.h"

#include "app/PeerSend.h"
#include "core/LauncherText.h"
#include "core/Startup.h"
#include "core/Text.h"
#include "toolkit/Application.h"
#include "toolkit/Exceptions.h"

#include <algorithm>
#include <climits>

namespace kvx {
namespace {

constexpr char kLauncherClass[] = "TTolvinMain";
constexpr char kLauncherTitle[] = "TolvinMain";

// A system command's low four bits are the platform's own.
constexpr WPARAM kSysCommandMask = 0xFFF0;

}  // namespace

bool TMainForm::SendToLauncher(const std::string& text) {
  // Nothing before the first show: the window is being built and placed.
  if (FSuppressReports || !FStartupDone) return false;
  // Looked up every time: the bar may come and go while the shell runs.
  HWND launcher = FindWindowA(kLauncherClass, kLauncherTitle);
  if (!launcher) return false;
  COPYDATASTRUCT data{};
  data.dwData = 0;
  data.cbData = static_cast<DWORD>(text.size() + 1);
  data.lpData = const_cast<char*>(text.c_str());
  // A bar that stops answering must not stop the shell: the send is bounded.
  SendToPeer(launcher, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  return true;
}

void TMainForm::ReportGeometry() {
  RECT bounds{};
  if (!GetWindowRect(Handle(), &bounds)) return;
  SendToLauncher(FormatGeometryReport(bounds.left, bounds.top, bounds.right - bounds.left,
                                      bounds.bottom - bounds.top));
}

void TMainForm::HandleMoveMessage() {
  ReportGeometry();
}

void TMainForm::FormResize(TObject*) {
  ReportGeometry();
}

LRESULT TMainForm::HandleCopyData(WPARAM, LPARAM lParam) {
  try {
    auto suppress = SuppressReports();
    const auto* message = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!message || !message->lpData) return 0;

    // cbData bounds the text: a sender that leaves out the NUL must not make
    // us read past its buffer.
    std::vector<std::string> items =
        SplitLauncherText(LauncherMessageText(message->lpData, message->cbData));

    if (items.size() == 1) {
      switch (ClassifyLauncherItem(items[0])) {
        case TLauncherCommand::lcMaximise:
        case TLauncherCommand::lcRestore:
          SendMessageW(Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
          break;
        case TLauncherCommand::lcToFront:
          // The toolkit has no separate application window: the main window stands for it.
          BringWindowToTop(Handle());
          ForceForeground(Handle());
          break;
        case TLauncherCommand::lcPosition:
          FSuppressReports = false;
          ReportGeometry();
          break;
        case TLauncherCommand::lcClose:
          // Terminate first: the program ends whatever the confirmation answers.
          Application().Terminate();
          Close();
          SettleClose();
          break;
        case TLauncherCommand::lcAddress:
          NavigateTo(items[0]);
          break;
      }
      return 0;
    }

    TDockConversion dock = ConvertDockGeometry(items);
    std::int32_t* fields[] = {&FDockLeft, &FDockTop, &FDockOffset, &FDockHeight};
    for (std::size_t i = 0; i < dock.Converted; ++i) *fields[i] = dock.Values[i];
    if (!dock.Complete()) throw Exception(dock.Error);
    SetBounds(DockedWindowLeft({FDockLeft, FDockTop, FDockOffset, FDockHeight}), FDockTop, Width(),
              FDockHeight);
  } catch (...) {
    // The flag is already clear here, so the report box cannot hold it set.
    Application().HandleException();
  }
  return 0;
}

void TMainForm::HandleSysCommand(WPARAM wParam, LPARAM lParam) {
  if ((wParam & kSysCommandMask) != SC_MAXIMIZE) {
    DefaultSysCommand(wParam, lParam);
    return;
  }
  RECT window{};
  if (!GetWindowRect(Handle(), &window)) return;
  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);

  // Docked means at y = 0 exactly, not at the work area's top, and docked by
  // us: a window the platform maximised matches the work area too, but has no
  // bounds to go back to.
  const bool docked = HasSavedGeometry() && window.top == 0 && window.left == FDockOffset &&
                      window.right == area.right && window.bottom == area.bottom;
  if (docked) {
    {
      auto suppress = SuppressReports();
      SetBounds(FSavedLeft, FSavedTop, FSavedWidth, FSavedHeight);
    }
    ReportGeometry();
    return;
  }

  if (FDockLeft == 0 && FDockOffset == 0) {
    // The bar answers with a geometry message inside this send.
    SendToLauncher(std::string(LauncherPositionText));
  }
  // Held at the 32-bit limits: a hostile offset must not wrap the width around.
  const std::int32_t width = SaturatingAdd(area.right, -std::max(FDockOffset, -INT32_MAX));
  // No offset, or none that leaves the window any width: the platform's maximise.
  if (FDockOffset == 0 || width <= 0) {
    DefaultSysCommand(wParam, lParam);
    return;
  }
  // The bar's answer may have moved the window: save where it is now. Never
  // collapsed bounds: going back to them would lose the window.
  GetWindowRect(Handle(), &window);
  if (window.right > window.left && window.bottom > window.top) {
    FSavedLeft = window.left;
    FSavedTop = window.top;
    FSavedWidth = window.right - window.left;
    FSavedHeight = window.bottom - window.top;
  }
  SetWindowPos(Handle(), HWND_TOP, FDockOffset, 0, width, area.bottom, SWP_SHOWWINDOW);
  ReportGeometry();
}

bool TMainForm::ForceForeground(HWND window) {
  HWND foreground = GetForegroundWindow();
  // SW_SHOWNOACTIVATE brings a minimised window back, but it would also
  // restore a maximised one to its normal size: "to the front" is no restore.
  ShowWindow(window, IsZoomed(window) ? SW_SHOWNA : SW_SHOWNOACTIVATE);
  const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
  const DWORD ownThread = GetCurrentThreadId();
  AttachThreadInput(foregroundThread, ownThread, TRUE);
  const bool result = SetForegroundWindow(window) != FALSE;
  AttachThreadInput(foregroundThread, ownThread, FALSE);
  return result;
}

}  // namespace kvx
