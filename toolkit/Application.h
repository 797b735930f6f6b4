#pragma once
// The application object: the message loop with its application-wide
// pre-dispatch filter, the activation notification, and the standard error
// report. One per program (tests make their own).

#include "toolkit/Win.h"

#include "toolkit/Control.h"

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace kvx {

class TForm;

class TApplication : public TObject {
 public:
  // A filter sees every queued message except WM_QUIT before translation and
  // dispatch; it may change the record, and when it sets handled to true the
  // loop does nothing more with the message.
  using TMessageEvent = std::function<void(MSG& msg, bool& handled)>;
  using TExceptionEvent = std::function<void(TObject* sender, const std::exception& error)>;

  TApplication();
  ~TApplication() override;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Title of the error report and of message boxes without one (GBK).
  std::string Title;

  TMessageEvent OnMessage;
  // Runs when the application as a whole becomes active (WM_ACTIVATEAPP with
  // activation true), after any other handling of that message.
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  // Replaces the standard error report when assigned.
  TExceptionEvent OnException;

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
  // catch block): a message box with the error text. The silent abort shows nothing.
  void HandleException() noexcept;
  void ShowException(const std::exception& error) noexcept;

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
  TForm* FMainForm = nullptr;
  TForm* FActiveForm = nullptr;
  bool FTerminated = false;
  bool FActive = false;
  bool FRunning = false;
};

// The program's application object.
TApplication& Application();

}  // namespace kvx
