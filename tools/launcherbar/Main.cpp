// launcherbar: a launcher-bar simulator for trying the shell's docking
// without the real launcher. See docs/launcherbar.md.

#include "toolkit/Win.h"

#include "LauncherBar.h"
#include "ShellChild.h"

#include "core/CodePage.h"
#include "core/LauncherText.h"
#include "core/Startup.h"
#include "core/Text.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace kvx {
namespace {

// ---- output: UTF-16 to a console, UTF-8 to a pipe or file ----

std::mutex GOutputLock;

void Print(std::wstring_view line) {
  std::lock_guard lock(GOutputLock);
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0, written = 0;
  std::wstring text(line);
  text += L"\r\n";
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string utf8(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::wstring Now() {
  SYSTEMTIME time;
  GetLocalTime(&time);
  std::string text = FormatTime(time);
  return std::wstring(text.begin(), text.end());
}

void Status(std::wstring_view line) {
  Print(Now() + L" # " + std::wstring(line));
}

std::wstring Widen(std::string_view ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

// ---- options ----

struct TOptions {
  std::wstring Exe;
  std::optional<std::vector<std::wstring>> Start;  // geometry arguments
  std::optional<std::wstring> Address;             // the start address, after them
  std::optional<std::string> Answer;               // nullopt: the default answer
  bool NoAnswer = false;
  std::vector<std::wstring> Lines;  // --send and bare arguments, in order
  bool ReadStdin = false;
  bool InputGbk = false;
  long Stress = 0;
  unsigned Seed = 1;
};

void Usage() {
  Print(
      L"usage: launcherbar [options] [TEXT...]\r\n"
      L"  --start L T O H [ADDRESS]  start the shell with this dock geometry (and address;\r\n"
      L"                             give texts to send after it with --send)\r\n"
      L"  --address ADDRESS          the start address, as an option of its own\r\n"
      L"  --exe PATH                 the shell (default: korvexa.exe beside launcherbar.exe)\r\n"
      L"  --answer TEXT              answer the shell's \u201C\u4F4D\u7F6E\u201D with TEXT "
      L"(default: 0,0,80,work-area height)\r\n"
      L"  --no-answer                leave \u201C\u4F4D\u7F6E\u201D unanswered\r\n"
      L"  --send TEXT, TEXT          a line to carry out (see below), in order\r\n"
      L"  --stdin                    then carry out lines from standard input\r\n"
      L"                             (the default when no TEXT is given)\r\n"
      L"  --input-gbk                piped input is GBK, not UTF-8\r\n"
      L"  --stress N [--seed S]      send N mixed commands and geometry messages, check\r\n"
      L"                             every report, print rates and handle counts\r\n"
      L"lines:\r\n"
      L"  TEXT                       send TEXT (GBK) with its NUL\r\n"
      L"  :bytes HEX... [/N]         send these bytes as they are (cbData N, at most their "
      L"count)\r\n"
      L"  :null N                    send a null lpData with cbData N\r\n"
      L"  :answer [TEXT]             answer \u201C\u4F4D\u7F6E\u201D with TEXT, or no longer "
      L"answer\r\n"
      L"  :wait N [MS]               wait until N messages in all have come from the shell\r\n"
      L"  :hang                      the bar stops answering, as a hung launcher bar does\r\n"
      L"  :resume                    a hung bar answers again\r\n"
      L"  :sleep MS | :quit          pause | stop reading\r\n"
      L"  ::TEXT                     send \u201C:TEXT\u201D");
}

std::optional<TOptions> ParseOptions(const std::vector<std::wstring>& args) {
  TOptions options;
  bool texts = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    auto next = [&]() -> std::optional<std::wstring> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == L"--start") {
      std::vector<std::wstring> start;
      for (int k = 0; k < 4; ++k)
        if (auto value = next()) start.push_back(*value);
      if (start.size() != 4) return std::nullopt;
      // Like the shell's own command line: a fifth argument is the address.
      if (i + 1 < args.size() && args[i + 1].rfind(L"--", 0) != 0) options.Address = args[++i];
      options.Start = start;
    } else if (arg == L"--address") {
      auto value = next();
      if (!value) return std::nullopt;
      options.Address = *value;
    } else if (arg == L"--exe") {
      auto value = next();
      if (!value) return std::nullopt;
      options.Exe = *value;
    } else if (arg == L"--answer") {
      auto value = next();
      if (!value) return std::nullopt;
      options.Answer = WideToGbk(*value);
    } else if (arg == L"--no-answer") {
      options.NoAnswer = true;
    } else if (arg == L"--send") {
      auto value = next();
      if (!value) return std::nullopt;
      options.Lines.push_back(*value);
      texts = true;
    } else if (arg == L"--stdin" || arg == L"-") {
      options.ReadStdin = true;
    } else if (arg == L"--input-gbk") {
      options.InputGbk = true;
    } else if (arg == L"--stress") {
      auto value = next();
      auto count = value ? ParseInt32(WideToGbk(*value)) : std::nullopt;
      if (!count || *count <= 0) return std::nullopt;
      options.Stress = *count;
    } else if (arg == L"--seed") {
      auto value = next();
      auto seed = value ? ParseInt32(WideToGbk(*value)) : std::nullopt;
      if (!seed) return std::nullopt;
      options.Seed = static_cast<unsigned>(*seed);
    } else if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
      return std::nullopt;
    } else if (arg.rfind(L"--", 0) == 0) {
      return std::nullopt;
    } else {
      options.Lines.push_back(arg);
      texts = true;
    }
  }
  if (!texts && options.Stress == 0) options.ReadStdin = true;
  if (options.Exe.empty()) options.Exe = ProgramFolder() + L"korvexa.exe";
  return options;
}

std::string DefaultAnswer() {
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return FormatGeometryReport(area.left, area.top, 80, area.bottom - area.top);
}

// ---- lines ----

std::optional<std::vector<unsigned char>> ParseHex(const std::vector<std::string>& words) {
  std::vector<unsigned char> bytes;
  for (const auto& word : words) {
    if (word.size() % 2 != 0) return std::nullopt;
    for (std::size_t i = 0; i < word.size(); i += 2) {
      unsigned value = 0;
      for (char c : word.substr(i, 2)) {
        value <<= 4;
        if (c >= '0' && c <= '9')
          value |= static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
          value |= static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
          value |= static_cast<unsigned>(c - 'A' + 10);
        else
          return std::nullopt;
      }
      bytes.push_back(static_cast<unsigned char>(value));
    }
  }
  return bytes;
}

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    std::size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

class TSimulator {
 public:
  explicit TSimulator(TLauncherBar& bar) : FBar(bar) {}

  // Carries out one line (GBK); false to stop reading.
  bool Execute(const std::string& line) {
    if (line.rfind("::", 0) == 0) return SendText(line.substr(1));
    if (line.empty() || line[0] != ':') return SendText(line);
    std::vector<std::string> words = Words(line);
    const std::string& verb = words[0];
    std::vector<std::string> rest(words.begin() + 1, words.end());
    if (verb == ":quit") return false;
    if (verb == ":hang" && rest.empty()) {
      FBar.StopAnswering();
      Status(L"the bar no longer answers: its window stays, its thread stopped");
      return true;
    }
    if (verb == ":resume" && rest.empty()) {
      FBar.ResumeAnswering();
      Status(L"the bar answers again");
      return true;
    }
    if (verb == ":sleep" && rest.size() == 1) {
      if (auto ms = ParseInt32(rest[0]); ms && *ms >= 0) Sleep(static_cast<DWORD>(*ms));
      return true;
    }
    if (verb == ":answer") {
      std::string text(TrimBlanks(std::string_view(line).substr(verb.size())));
      FBar.SetPositionAnswer(text.empty() ? std::nullopt : std::optional(text));
      Status(text.empty() ? L"position requests are left unanswered"
                          : L"position answer: " + GbkToWide(text));
      return true;
    }
    if (verb == ":wait" && !rest.empty()) {
      auto count = ParseInt32(rest[0]);
      auto ms = rest.size() > 1 ? ParseInt32(rest[1]) : std::optional<std::int32_t>(10000);
      if (count && ms && *count >= 0 && *ms >= 0) {
        if (!FBar.WaitForMessages(static_cast<std::size_t>(*count), std::chrono::milliseconds(*ms)))
          Status(L"timed out waiting for messages");
        return true;
      }
    }
    if (verb == ":null" && rest.size() == 1) {
      if (auto size = ParseInt32(rest[0]); size && *size >= 0) {
        Report(FBar.SendBytes(nullptr, static_cast<DWORD>(*size)),
               L"null lpData, cbData " + std::to_wstring(*size));
        return true;
      }
    }
    if (verb == ":bytes" && !rest.empty()) {
      std::optional<std::int32_t> size;
      if (rest.back().rfind('/', 0) == 0) {
        size = ParseInt32(rest.back().substr(1));
        rest.pop_back();
      }
      auto bytes = ParseHex(rest);
      if (bytes && (!size || (*size >= 0 && static_cast<std::size_t>(*size) <= bytes->size()))) {
        DWORD cb = size ? static_cast<DWORD>(*size) : static_cast<DWORD>(bytes->size());
        // An exact-size copy: whatever the shell reads past cbData is not ours to give.
        std::unique_ptr<unsigned char[]> exact(new unsigned char[cb ? cb : 1]);
        std::copy(bytes->begin(), bytes->begin() + cb, exact.get());
        Report(FBar.SendBytes(exact.get(), cb), std::to_wstring(cb) + L" raw bytes");
        return true;
      }
    }
    Status(L"not understood: " + GbkToWide(line));
    return true;
  }

 private:
  bool SendText(const std::string& text) {
    Report(FBar.Send(text), L"sent \u201C" + GbkToWide(text) + L"\u201D");
    return true;
  }
  void Report(bool sent, const std::wstring& what) {
    Status(sent ? what : L"no shell window: nothing sent");
  }
  TLauncherBar& FBar;
};

// Reads lines from standard input as GBK texts.
class TLineReader {
 public:
  explicit TLineReader(bool inputGbk) : FInputGbk(inputGbk) {}
  std::optional<std::string> Next() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(in, &mode)) {
      std::wstring line;
      wchar_t c;
      DWORD read = 0;
      while (ReadConsoleW(in, &c, 1, &read, nullptr) && read == 1) {
        if (c == L'\n') return WideToGbk(StripCr(line));
        line.push_back(c);
      }
      if (line.empty()) return std::nullopt;
      return WideToGbk(StripCr(line));
    }
    std::string line;
    char c;
    DWORD read = 0;
    bool any = false;
    while (ReadFile(in, &c, 1, &read, nullptr) && read == 1) {
      any = true;
      if (c == '\n') break;
      line.push_back(c);
    }
    if (!any) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return FInputGbk ? line : WideToGbk(Utf8ToWide(line));
  }

 private:
  static std::wstring StripCr(std::wstring line) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    return line;
  }
  bool FInputGbk;
};

// ---- stress ----

std::string Bounds(const RECT& r) {
  return FormatGeometryReport(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::wstring Counts(const TResourceCounts& c) {
  return L"USER " + std::to_wstring(c.User) + L", GDI " + std::to_wstring(c.Gdi) + L", kernel " +
         std::to_wstring(c.Kernel) + (c.KernelFromSystemList ? L" (system handle list)" : L"") +
         L", windows " + std::to_wstring(c.Windows);
}

class TStress {
 public:
  TStress(TLauncherBar& bar, HWND shell, HANDLE process, unsigned seed)
      : FBar(bar), FShell(shell), FProcess(process), FRandom(seed) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &FArea, 0);
  }

  // Returns the process exit code: 0 when every check held.
  int Run(long count) {
    Status(L"resources at start: " + Counts(ProcessResourceCounts(FProcess)));
    // Warm up: every kind of message once or more before the counts are taken,
    // so first-use allocations of the shell are not counted as leaks.
    for (int i = 0; i < 60 && FFailures == 0; ++i) Step(i % 6);
    if (FFailures) return 1;
    TResourceCounts before = SettledCounts();
    Status(L"resources before: " + Counts(before));

    auto start = std::chrono::steady_clock::now();
    long sent = 0;
    for (; sent < count && FFailures < 10 && !FStuck; ++sent) Step(Pick());
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    DWORD_PTR result = 0;
    bool responsive = SendMessageTimeoutW(FShell, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
    TResourceCounts after = SettledCounts();
    Status(L"resources after: " + Counts(after));
    wchar_t rate[64];
    swprintf(rate, 64, L"%.0f", seconds > 0 ? sent / seconds : 0.0);
    Status(std::to_wstring(sent) + L" messages in " +
           std::to_wstring(static_cast<long>(seconds * 1000)) + L" ms: " + rate + L" messages/s; " +
           std::to_wstring(FReports) + L" reports, all in order: " + (FFailures ? L"no" : L"yes") +
           L"; responsive: " + (responsive ? L"yes" : L"no"));
    bool same = before == after;
    Status(same ? L"resource counts unchanged" : L"resource counts CHANGED");
    return FFailures == 0 && responsive && same && sent == count ? 0 : 1;
  }

 private:
  int Pick() {
    int r = static_cast<int>(FRandom() % 100);
    if (r < 40) return 0;  // geometry
    if (r < 60) return 1;  // 位置
    if (r < 85) return 2;  // 最大化 / 还原
    if (r < 95) return 3;  // 最前
    if (r < 98) return 4;  // padded or quoted forms
    return 5;              // an address
  }

  // Counts once the shell is idle: a navigation just sent holds a handle or
  // two of the platform's for a moment. Two equal readings a quarter second
  // apart, or the last of twenty.
  TResourceCounts SettledCounts() {
    TResourceCounts counts = ProcessResourceCounts(FProcess);
    for (int i = 0; i < 20; ++i) {
      Sleep(250);
      TResourceCounts again = ProcessResourceCounts(FProcess);
      if (again == counts) break;
      counts = again;
    }
    return counts;
  }

  int Between(int low, int high) { return low + static_cast<int>(FRandom() % (high - low + 1)); }

  bool Docked(const RECT& r) const {
    return r.top == 0 && r.left == FOffset && r.right == FArea.right && r.bottom == FArea.bottom;
  }

  void Step(int kind) {
    RECT now = WindowBounds(FShell);
    RECT expected = now;
    std::vector<std::string> reports;
    std::string text;
    if (kind == 2 && FOffset == 0) return;  // no dock geometry sent yet
    switch (kind) {
      case 0: {
        int left = Between(0, 200), top = Between(0, 100), height = Between(300, 700);
        FOffset = Between(1, 300);
        text = FormatGeometryReport(left, top, FOffset, height);
        if (FRandom() % 4 == 0) text += ",extra";
        expected = {left + FOffset, top, left + FOffset + (now.right - now.left), top + height};
        break;
      }
      case 1:
        text = std::string(LauncherPositionText);
        reports.push_back(Bounds(now));
        break;
      case 2:
        text = std::string(FRandom() % 2 ? LauncherMaximiseText : LauncherRestoreText);
        if (FOffset != 0 && Docked(now)) {
          expected = FSaved;
          reports.push_back(Bounds(FSaved));
        } else {
          FSaved = now;
          expected = {FOffset, 0, FArea.right, FArea.bottom};
        }
        break;
      case 3:
        text = std::string(LauncherToFrontText);
        break;
      case 4:
        text = " \t" + std::string(LauncherPositionText) + " ";
        reports.push_back(Bounds(now));
        break;
      case 5:
        text = "\"about:blank\"";
        break;
    }
    std::size_t first = FBar.MessageCount();
    if (!FBar.SendWithTimeout(text, 10000)) {
      Fail(L"the shell did not answer \u201C" + GbkToWide(text) + L"\u201D within 10 s");
      FStuck = true;
      return;
    }
    std::vector<std::string> got = FBar.Texts(first);
    FReports += got.size();
    RECT after = WindowBounds(FShell);
    if (got != reports)
      Fail(L"\u201C" + GbkToWide(text) + L"\u201D: expected " + std::to_wstring(reports.size()) +
           L" report(s) " + (reports.empty() ? L"" : Widen(reports[0])) + L", got " +
           std::to_wstring(got.size()) + L" " + (got.empty() ? L"" : GbkToWide(got[0])));
    else if (!SameRect(after, expected))
      Fail(L"\u201C" + GbkToWide(text) + L"\u201D: window at " + Widen(Bounds(after)) +
           L", expected " + Widen(Bounds(expected)));
  }

  void Fail(const std::wstring& what) {
    ++FFailures;
    Status(L"FAILED: " + what);
  }

  TLauncherBar& FBar;
  HWND FShell;
  HANDLE FProcess;
  std::mt19937 FRandom;
  RECT FArea{};
  RECT FSaved{};
  int FOffset = 0;
  std::size_t FReports = 0;
  int FFailures = 0;
  bool FStuck = false;
};

int Main() {
  std::vector<std::wstring> args = SplitCommandLine(GetCommandLineW());
  std::optional<TOptions> parsed = ParseOptions(args);
  if (!parsed) {
    Usage();
    return 2;
  }
  TOptions& options = *parsed;

  TLauncherBar bar([&options](const TLauncherBar::TMessage& message) {
    if (options.Stress) return;
    std::wstring line = Now() + L" " + GbkToWide(message.Text);
    if (!message.NulTerminated) line += L"   (no NUL)";
    Print(line);
  });
  std::string answer = options.Answer.value_or(DefaultAnswer());
  if (!options.NoAnswer) bar.SetPositionAnswer(answer);
  Status(L"launcher bar ready; answers \u201C\u4F4D\u7F6E\u201D with " +
         (options.NoAnswer ? std::wstring(L"nothing") : GbkToWide(answer)));

  std::unique_ptr<TShellChild> shell;
  HWND shellWindow = nullptr;
  if (options.Start) {
    if (options.Address) options.Start->push_back(*options.Address);
    try {
      shell = std::make_unique<TShellChild>(options.Exe, *options.Start);
    } catch (const std::exception& error) {
      Status(Widen(error.what()) + L": " + options.Exe);
      return 1;
    }
    shellWindow = shell->WaitForMainWindow(60000);
    if (!shellWindow) {
      Status(L"the shell showed no main window");
      return 1;
    }
    bar.SetShell(shellWindow);
    Status(L"shell started, process " + std::to_wstring(shell->Id()));
  }

  if (options.Stress) {
    if (!shellWindow) shellWindow = bar.Shell();
    if (!shellWindow) {
      Status(L"no shell window to stress");
      return 1;
    }
    bar.SetShell(shellWindow);
    DWORD pid = 0;
    GetWindowThreadProcessId(shellWindow, &pid);
    TUniqueKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid));
    if (!process) {
      Status(L"cannot open the shell's process");
      return 1;
    }
    int rc = TStress(bar, shellWindow, process.Get(), options.Seed).Run(options.Stress);
    if (shell) {
      // A clean end: "关闭", then Yes in the confirmation.
      auto closing = bar.SendAsync(std::string(LauncherCloseText));
      for (int i = 0; i < 1000 && !shell->WaitForExit(10); ++i)
        if (HWND box = FindProcessDialog(shell->Id())) PressDialogButton(box, IDYES);
      Status(shell->WaitForExit(10000) ? L"shell ended" : L"the shell did not end");
      closing.wait();
    }
    return rc;
  }

  TSimulator simulator(bar);
  bool going = true;
  for (const auto& line : options.Lines)
    if (going) going = simulator.Execute(WideToGbk(line));
  if (going && options.ReadStdin) {
    TLineReader reader(options.InputGbk);
    while (auto line = reader.Next())
      if (!simulator.Execute(*line)) break;
  }
  // A shell we started keeps its bar until it ends: its reports still
  // arrive and its position requests are still answered.
  if (shell) {
    Status(L"input done; waiting for the shell to end");
    shell->WaitForExit(INFINITE);
    Status(L"shell ended");
  }
  return 0;
}

}  // namespace
}  // namespace kvx

int main() {
  return kvx::Main();
}
