#pragma once
// A stand-in for the launcher bar: a top-level window of class "TTolvinMain"
// titled "TolvinMain" that records every WM_COPYDATA text the shell sends it,
// answers the shell's "位置" request with a dock geometry, and sends the shell
// texts or raw message buffers. The window lives on a thread of its own, so
// the shell's synchronous sends are answered whatever the caller is doing.

#include "toolkit/Win.h"

#include "toolkit/Handles.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kvx {

// The shell's main window title and window class.
inline constexpr std::wstring_view ShellTitle =
    L"Korvexa\u4F01\u4E1A\u4E1A\u52A1\u6D41\u7A0B\u7CFB\u7EDF";
inline constexpr std::wstring_view ShellClass = L"TMainForm";

class TLauncherBar {
 public:
  // One WM_COPYDATA the shell sent to the bar.
  struct TMessage {
    std::string Text;            // the bytes up to the first NUL within the size
    DWORD Size = 0;              // cbData as sent
    bool NulTerminated = false;  // the last of those bytes is the NUL
    ULONG_PTR Data = 0;          // dwData
    WPARAM Sender = 0;           // wParam
    SYSTEMTIME Time{};           // local time of arrival
  };
  // Runs on the bar's thread for every message, after it was recorded.
  using TMessageEvent = std::function<void(const TMessage& message)>;

  // Creates the window and its thread; throws std::runtime_error when the
  // window cannot be created.
  explicit TLauncherBar(TMessageEvent onMessage = {});
  ~TLauncherBar();
  TLauncherBar(const TLauncherBar&) = delete;
  TLauncherBar& operator=(const TLauncherBar&) = delete;

  HWND Window() const noexcept { return FWindow; }

  // The window texts go to; when none is set, the top-level window titled
  // like the shell.
  void SetShell(HWND shell);
  HWND Shell() const;

  // The GBK text sent back to the shell when it asks "位置" (usually a dock
  // geometry "left,top,offset,height"); nullopt leaves the request unanswered.
  void SetPositionAnswer(std::optional<std::string> answer);

  // Sends text (GBK) with its NUL, synchronously. False when there is no shell window.
  bool Send(std::string_view text);
  // Sends size bytes from data (which may be null) exactly as given.
  bool SendBytes(const void* data, DWORD size, ULONG_PTR dwData = 0);
  // Sends on a thread of its own, for texts the shell answers with a modal box.
  std::future<bool> SendAsync(std::string text);
  // Sends with a bound on the wait; false on time-out or when there is no shell.
  bool SendWithTimeout(std::string_view text, UINT timeoutMs);

  // The bar hangs, as a launcher bar that stops answering does: its thread
  // stops processing messages, and the window stays, until the bar answers
  // again or is destroyed. Returns once the thread has stopped.
  void StopAnswering();
  // A hung bar comes back: its thread takes the messages that waited for it,
  // in their order, and answers again.
  void ResumeAnswering();

  std::vector<TMessage> Messages() const;
  std::size_t MessageCount() const;
  // Texts of the messages from index first on.
  std::vector<std::string> Texts(std::size_t first = 0) const;
  // Waits until at least count messages have arrived.
  bool WaitForMessages(std::size_t count, std::chrono::milliseconds timeout) const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  void Receive(WPARAM wParam, const COPYDATASTRUCT* data);
  void Run(std::promise<HWND> created);

  TMessageEvent FOnMessage;
  mutable std::mutex FLock;
  mutable std::condition_variable FArrived;
  std::vector<TMessage> FMessages;
  std::optional<std::string> FPositionAnswer;
  HWND FShell = nullptr;
  HWND FWindow = nullptr;
  // Set when the bar is destroyed: a thread that stopped answering goes on.
  TUniqueKernelHandle FEnding{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  // Set when a hung bar answers again; taken by the thread as it goes on.
  TUniqueKernelHandle FResuming{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  std::thread FThread;
};

// "HH:MM:SS.mmm"
std::string FormatTime(const SYSTEMTIME& time);

}  // namespace kvx
