#pragma once
// The application object: the message loop with its application-wide
// pre-dispatch filter, the activation notification, the standard error
// report, and the application window. One per program (tests make their own).

#include "toolkit/Win.h"

#include "toolkit/Control.h"

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx {

class TForm;

class TApplication : public TObject {
 public:
  // A filter sees every queued message except WM_QUIT before translation and
  // dispatch; it may change the record, and when it sets handled to true the
  // loop does nothing more with the message.
  using TMessageEvent = std::function<void(MSG& msg, bool& handled)>;
  using TExceptionEvent = std::function<void(TObject* sender, const std::exception& error)>;
  // Sees a message of the application window before the toolkit's own
  // processing; true when it handled the message (the toolkit then leaves it).
  using TWindowHook = std::function<bool(TMessage& message)>;

  TApplication();
  ~TApplication() override;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Title of the error report and of message boxes without one (GBK).
  std::string Title;

  TMessageEvent OnMessage;
  // Runs when the application as a whole becomes active (WM_ACTIVATEAPP with
  // activation true): the toolkit's own processing of CM_ACTIVATE on the
  // application window, after its hooks.
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  // Replaces the standard error report when assigned.
  TExceptionEvent OnException;

  // The application window: a top-level window that is never shown and is
  // not on the task bar (its title is not any form's caption). It receives
  // CM_ACTIVATE and CM_DEACTIVATE when the application becomes active or
  // inactive, and can hold windows whose control has no window to live in.
  HWND Handle() const noexcept { return FWindow.Get(); }
  // Adds a hook for the application window's messages; hooks run in the
  // order added. Answers the id RemoveWindowHook takes.
  int AddWindowHook(TWindowHook hook);
  // Removes a hook (also from inside a hook); an unknown id does nothing.
  void RemoveWindowHook(int id) noexcept;

  TForm* MainForm() const noexcept { return FMainForm; }
  TForm* ActiveForm() const noexcept { return FActiveForm; }
  bool Active() const noexcept { return FActive; }

  // Shows the main form, unless termination was already requested, and runs
  // the message loop until the application terminates.
  void Run();
  // Waits for one message and processes it.
  void HandleMessage();
  // Processes every message already queued, without waiting.
  void ProcessMessages();
  // Processes one queued message if there is one; false when the queue was empty.
  bool ProcessMessage(MSG& msg);
  // Asks the loop to end once the current message has been handled; modal
  // boxes shown until then still work.
  void Terminate();
  bool Terminated() const noexcept { return FTerminated; }

  // The standard error report for the exception being handled (call inside a
  // catch block): a message box with the error text. The silent abort shows
  // nothing. OnException hears of it with the sender given (the component
  // whose handler failed), or the application itself.
  void HandleException() noexcept { HandleException(this); }
  void HandleException(TObject* sender) noexcept;
  void ShowException(const std::exception& error, TObject* sender = nullptr) noexcept;

  // A modal message box (texts in GBK) owned by the active form; returns the button pressed.
  int ShowMessageBox(std::string_view text, std::string_view caption, UINT flags);

  // The toolkit's own processing of a message the filter left alone:
  // shortcut and dialog keys. True when it consumed the message.
  bool IsKeyMessage(MSG& msg);

  // Called by forms.
  void RegisterForm(TForm* form);
  void UnregisterForm(TForm* form) noexcept;
  void FormActivated(TForm* form);
  void ActivateApp(bool active);
  void WakeUp() noexcept;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT msg, WPARAM wParam,
                                          LPARAM lParam) noexcept;
  void WndProc(HWND window, TMessage& message);

  TUniqueWindow FWindow;
  std::vector<std::pair<int, TWindowHook>> FHooks;
  int FNextHookId = 1;
  TForm* FMainForm = nullptr;
  TForm* FActiveForm = nullptr;
  bool FTerminated = false;
  bool FActive = false;
  bool FRunning = false;
};

// The program's application object.
TApplication& Application();

}  // namespace kvx
