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
#include <cstdint>

namespace kvx {
namespace {

constexpr char kLauncherClass[] = "TTolvinMain";
constexpr char kLauncherTitle[] = "TolvinMain";

// A system command's low four bits are the platform's own.
constexpr WPARAM kSysCommandMask = 0xFFF0;

struct TWorkAreaSearch {
  RECT Bounds;
  bool Found = false;
};

// A named callback, not a lambda: it must have the platform's calling
// convention in the 32-bit build too.
BOOL CALLBACK FindWorkAreaHolding(HMONITOR monitor, HDC, LPRECT, LPARAM param) noexcept {
  auto* search = reinterpret_cast<TWorkAreaSearch*>(param);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  RECT overlap{};
  if (GetMonitorInfoW(monitor, &info) && IntersectRect(&overlap, &info.rcWork, &search->Bounds)) {
    search->Found = true;
    return FALSE;
  }
  return TRUE;
}

// Whether some part of bounds lies on some monitor's work area.
bool OnSomeWorkArea(const RECT& bounds) noexcept {
  TWorkAreaSearch search{bounds};
  EnumDisplayMonitors(nullptr, nullptr, &FindWorkAreaHolding, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

// Bounds that lie on no monitor's work area (a bar put the window off screen,
// a monitor has gone since) moved onto the nearest one, with as much of their
// size as it holds; bounds that show somewhere stay as they are.
RECT OnAWorkArea(const RECT& bounds) noexcept {
  if (OnSomeWorkArea(bounds)) return bounds;
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST), &info)) return bounds;
  const RECT& area = info.rcWork;
  // Differences of any two 32-bit coordinates fit in 64 bits.
  const auto extent = [](LONG low, LONG high) { return std::int64_t{high} - low; };
  const LONG width =
      static_cast<LONG>(std::min(extent(bounds.left, bounds.right), extent(area.left, area.right)));
  const LONG height =
      static_cast<LONG>(std::min(extent(bounds.top, bounds.bottom), extent(area.top, area.bottom)));
  const LONG left = std::clamp(bounds.left, area.left, area.right - width);
  const LONG top = std::clamp(bounds.top, area.top, area.bottom - height);
  return {left, top, left + width, top + height};
}

}  // namespace

HWND TMainForm::FindLauncher() {
  // Nothing before the first show: the window is being built and placed.
  if (FSuppressReports || !FStartupDone) return nullptr;
  // Looked up every time: the bar may come and go while the shell runs.
  HWND launcher = FindWindowA(kLauncherClass, kLauncherTitle);
  // Another window is another bar, which has not failed us; what was held
  // for the one that did is not news to it.
  if (FUnansweredLauncher && launcher != FUnansweredLauncher) {
    FUnansweredLauncher = nullptr;
    FHeldReport.reset();
  }
  return launcher;
}

bool TMainForm::SendToLauncher(const std::string& text) {
  HWND launcher = FindLauncher();
  if (!launcher) return false;
  // A request the bar cannot take now is dropped: its answer would come too
  // late to be of use.
  if (!LauncherHolds(launcher)) DeliverToLauncher(launcher, text);
  return true;
}

void TMainForm::DeliverToLauncher(HWND launcher, std::string text) {
  for (;;) {
    COPYDATASTRUCT data{};
    data.dwData = 0;
    data.cbData = static_cast<DWORD>(text.size() + 1);
    data.lpData = text.data();
    // A bar that stops answering must not stop the shell: the send is bounded.
    FSendingToLauncher = true;
    const bool answered = SendToPeer(launcher, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    FSendingToLauncher = false;
    if (!answered) {
      // One bound is all a bar that does not answer costs: until it shows it
      // answers again, reports are held, not sent.
      if (WatchForAnswer(launcher, Handle())) FUnansweredLauncher = launcher;
      return;
    }
    // Reports made while this send waited are held: the newest goes now.
    if (!FHeldReport || FUnansweredLauncher) return;
    text = std::move(*FHeldReport);
    FHeldReport.reset();
  }
}

void TMainForm::LauncherAnswers(HWND launcher) {
  if (!launcher || launcher != FUnansweredLauncher) return;
  FUnansweredLauncher = nullptr;
  // A send in progress takes the held report once it is done.
  if (!FHeldReport || FSendingToLauncher) return;
  std::string report = std::move(*FHeldReport);
  FHeldReport.reset();
  if (FindWindowA(kLauncherClass, kLauncherTitle) == launcher)
    DeliverToLauncher(launcher, std::move(report));
}

void TMainForm::ReportGeometry() {
  RECT bounds{};
  if (!GetWindowRect(Handle(), &bounds)) return;
  std::string report = FormatGeometryReport(bounds.left, bounds.top, bounds.right - bounds.left,
                                            bounds.bottom - bounds.top);
  HWND launcher = FindLauncher();
  if (!launcher) return;
  // Only the newest bounds matter to a bar that is not listening yet.
  if (LauncherHolds(launcher))
    FHeldReport = std::move(report);
  else
    DeliverToLauncher(launcher, std::move(report));
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
    // Only moved, a window the platform maximised would stay maximised with
    // the bar's rectangle, and the next maximise would find nothing to undo.
    // Not activated: the bar keeps the focus it has.
    if (IsZoomed(Handle())) ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    SetBounds(DockedWindowLeft({FDockLeft, FDockTop, FDockOffset, FDockHeight}), FDockTop, Width(),
              FDockHeight);
  } catch (...) {
    // The flag is already clear here, so the report box cannot hold it set.
    Application().HandleException();
  }
  return 0;
}

bool TMainForm::NormalBounds(RECT& bounds) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(Handle(), &placement)) return false;
  bounds = placement.rcNormalPosition;
  // Workspace coordinates, which begin at the work area's corner; a tool
  // window's are screen coordinates already.
  if (!(GetWindowLongW(Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromRect(&bounds, MONITOR_DEFAULTTONEAREST), &info))
      OffsetRect(&bounds, info.rcWork.left - info.rcMonitor.left,
                 info.rcWork.top - info.rcMonitor.top);
  }
  return true;
}

void TMainForm::HandleSysCommand(WPARAM wParam, LPARAM lParam) {
  if ((wParam & kSysCommandMask) != SC_MAXIMIZE) {
    DefaultSysCommand(wParam, lParam);
    return;
  }
  // Minimised, the window's rectangle is its icon's. It comes back first, so
  // that the window itself docks or goes back, and the user sees it do so.
  if (IsIconic(Handle())) ShowWindow(Handle(), SW_RESTORE);
  RECT window{};
  if (!NormalBounds(window)) return;
  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);

  // Docked means at y = 0 exactly, not at the work area's top, and docked by
  // us: a window the platform maximised matches the work area too, but has no
  // bounds to go back to.
  const bool docked = HasSavedGeometry() && window.top == 0 && window.left == FDockOffset &&
                      window.right == area.right && window.bottom == area.bottom;
  if (docked) {
    const RECT saved = OnAWorkArea({FSavedLeft, FSavedTop, SaturatingAdd(FSavedLeft, FSavedWidth),
                                    SaturatingAdd(FSavedTop, FSavedHeight)});
    {
      auto suppress = SuppressReports();
      SetBounds(saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top);
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
  if (NormalBounds(window) && window.right > window.left && window.bottom > window.top) {
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
