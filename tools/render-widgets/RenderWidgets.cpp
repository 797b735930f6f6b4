// Pictures of the themed controls for people to look at:
//   render-widgets <out-dir>
//     the exit button, as designed on the title panel, in each of its states;
//   render-widgets --title <folder-with-korvexa.exe> <out-dir>
//     starts the shell from that folder, captures its title panel from the
//     screen, with the mouse away and then over the exit button, and ends it.

#include "toolkit/Win.h"

#include "PngWriter.h"
#include "core/CodePage.h"
#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"
#include "toolkit/Panel.h"
#include "widgets/HotButton.h"
#include "widgets/ThemeDrawing.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr wchar_t kMainTitle[] = L"Korvexa企业业务流程系统";
constexpr wchar_t kExitCaption[] = L"退出系统";

// A 32-bit top-down DIB with a memory DC.
struct TPicture {
  TPicture(int width, int height) : Width(width), Height(height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DC.Reset(CreateCompatibleDC(nullptr));
    Bitmap.Reset(CreateDIBSection(DC.Get(), &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&Bits),
                                  nullptr, 0));
    if (Bitmap) Old = SelectObject(DC.Get(), Bitmap.Get());
  }
  ~TPicture() {
    if (Old) SelectObject(DC.Get(), Old);
  }
  std::vector<std::uint32_t> Pixels(int zoom = 1) const {
    GdiFlush();
    std::vector<std::uint32_t> out(static_cast<size_t>(Width * zoom) * Height * zoom);
    for (int y = 0; y < Height * zoom; ++y)
      for (int x = 0; x < Width * zoom; ++x)
        out[static_cast<size_t>(y) * Width * zoom + x] =
            Bits[(y / zoom) * Width + x / zoom] & 0xFFFFFF;
    return out;
  }
  int Width, Height;
  TUniqueMemDC DC;
  TUniqueBitmap Bitmap;
  HGDIOBJ Old = nullptr;
  std::uint32_t* Bits = nullptr;
};

bool Save(const TPicture& picture, const fs::path& path, int zoom = 1) {
  bool ok = picture.Bits &&
            WritePng(path, picture.Width * zoom, picture.Height * zoom, picture.Pixels(zoom));
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.string().c_str());
  return ok;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// The exit button on a title panel built as the main window designs it.
int RenderExitButton(const fs::path& out) {
  TApplication application;
  TForm form;
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  form.SetBounds(0, 0, 775, 80);
  form.SetColor(clBtnFace);
  TFont font;
  font.Name = L"宋体";
  font.Height = -12;
  font.Charset = ANSI_CHARSET;
  form.SetFont(font);
  TPanel panel2(&form);
  panel2.SetBounds(0, 0, 775, 36);
  panel2.SetAlign(TAlign::alTop);
  panel2.SetBorderWidth(1);
  panel2.SetColor(RGB(197, 197, 197));
  TPanel panel1(&panel2);
  panel1.SetAlign(TAlign::alClient);
  panel1.SetColor(RGB(232, 243, 255));
  THotButton button(&panel1);
  button.SetBounds(224, 4, 75, 25);
  button.SetCaption(WideToGbk(kExitCaption));
  button.SetHotTrack(true);
  form.Show();
  application.ProcessMessages();

  struct TState {
    const char* Name;
    std::function<void()> Enter, Leave;
  };
  HWND h = button.Handle();
  const TState states[] = {
      {"normal", [] {}, [] {}},
      {"hover", [&] { SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10)); },
       [&] { SendMessageW(h, WM_MOUSELEAVE, 0, 0); }},
      {"pressed", [&] { SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)); },
       [&] {
         // Released outside: no click.
         SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
         form.DefocusControl(&button);
       }},
      {"focused",
       [&] {
         button.SetFocus();
         SendMessageW(form.Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
       },
       [&] { form.DefocusControl(&button); }},
      {"default", [&] { button.SetDefault(true); }, [&] { button.SetDefault(false); }},
      {"disabled", [&] { button.SetEnabled(false); }, [&] { button.SetEnabled(true); }},
  };
  const int zoom = 4, gap = 4;
  auto renderSheet = [&](const std::vector<const TState*>& list, const char* prefix, bool each) {
    const int count = static_cast<int>(list.size());
    TPicture sheet((75 + gap) * count - gap, 25);
    FillSolid(sheet.DC.Get(), RECT{0, 0, sheet.Width, sheet.Height}, RGB(255, 255, 255));
    bool ok = true;
    for (int i = 0; i < count; ++i) {
      list[i]->Enter();
      TPicture picture(75, 25);
      SendMessageW(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.DC.Get()),
                   PRF_CLIENT | PRF_ERASEBKGND);
      if (each) ok &= Save(picture, out / (std::string(prefix) + "-" + list[i]->Name + ".png"));
      BitBlt(sheet.DC.Get(), i * (75 + gap), 0, 75, 25, picture.DC.Get(), 0, 0, SRCCOPY);
      list[i]->Leave();
    }
    return Save(sheet, out / (std::string(prefix) + "-states-x4.png"), zoom) && ok;
  };
  std::vector<const TState*> list;
  for (const TState& state : states) list.push_back(&state);
  bool ok = renderSheet(list, "exit-button", true);

  // The classic look, which a button without hot tracking has, for comparison.
  button.SetHotTrack(false);
  const TState groupDown{"group-down",
                         [&] {
                           button.SetGroupIndex(1);
                           button.SetDown(true);
                         },
                         [&] {
                           button.SetAllowAllUp(true);
                           button.SetDown(false);
                           button.SetGroupIndex(0);
                         }};
  list.push_back(&groupDown);
  ok &= renderSheet(list, "classic-button", false);
  return ok ? 0 : 1;
}

struct TFindExit {
  HWND Button = nullptr;
};

BOOL CALLBACK FindExitButton(HWND child, LPARAM param) {
  wchar_t text[32] = {};
  GetWindowTextW(child, text, 32);
  if (std::wstring(text) == kExitCaption) {
    reinterpret_cast<TFindExit*>(param)->Button = child;
    return FALSE;
  }
  return TRUE;
}

void CaptureScreen(const RECT& r, TPicture& picture) {
  TWindowDC screen(nullptr);
  BitBlt(picture.DC.Get(), 0, 0, picture.Width, picture.Height, screen.Get(), r.left, r.top,
         SRCCOPY);
}

// Lets the shell finish painting: a synchronous repaint, then a round trip.
void Settle(HWND window) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  DWORD_PTR result;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
}

int CaptureTitlePanel(const fs::path& folder, const fs::path& out) {
  std::wstring commandLine =
      L"\"" + (folder / L"korvexa.exe").wstring() + L"\" 0 0 0 500 about:blank";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    std::printf("cannot start %ls\n", commandLine.c_str());
    return 1;
  }
  TUniqueKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
  int rc = 1;
  HWND main = nullptr;
  TFindExit found;
  if (!WaitFor(
          [&] {
            main = FindWindowW(nullptr, kMainTitle);
            DWORD pid = 0;
            if (main) GetWindowThreadProcessId(main, &pid);
            if (!main || pid != process.dwProcessId || !IsWindowVisible(main)) return false;
            EnumChildWindows(main, FindExitButton, reinterpret_cast<LPARAM>(&found));
            return found.Button && IsWindowVisible(found.Button);
          },
          60s)) {
    std::printf("the shell's window with its exit button did not appear\n");
  } else {
    HWND panel2 = GetParent(GetParent(found.Button));
    RECT panel, button;
    GetWindowRect(panel2, &panel);
    GetWindowRect(found.Button, &button);
    SetCursorPos(panel.right + 200, panel.bottom + 300);
    Settle(main);
    const int width = panel.right - panel.left, height = panel.bottom - panel.top;
    TPicture normal(width, height), hover(width, height);
    CaptureScreen(panel, normal);
    bool ok = Save(normal, out / "title-panel.png");

    // Over the exit button the frame lights up once the shell has seen the move.
    SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    const bool lit = WaitFor(
        [&] {
          Settle(main);
          CaptureScreen(panel, hover);
          return normal.Pixels() != hover.Pixels();
        },
        10s);
    if (lit)
      ok &= Save(hover, out / "title-panel-hover.png");
    else
      std::printf("the exit button did not light up under the mouse\n"), ok = false;
    rc = ok ? 0 : 1;
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  return rc;
}

}  // namespace
}  // namespace kvx

int wmain(int argc, wchar_t** argv) {
  try {
    if (argc == 2) return kvx::RenderExitButton(argv[1]);
    if (argc == 4 && std::wstring(argv[1]) == L"--title")
      return kvx::CaptureTitlePanel(argv[2], argv[3]);
    std::printf(
        "usage: render-widgets <out-dir>\n       render-widgets --title <folder-with-korvexa.exe> "
        "<out-dir>\n");
    return 2;
  } catch (const std::exception& e) {
    std::printf("render-widgets: %s\n", e.what());
    return 1;
  }
}
