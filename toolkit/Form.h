#pragma once
// Top-level windows of the toolkit.

#include "toolkit/Control.h"

#include <functional>

namespace kvx {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

// Modal results, as the buttons of a form answer them.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;

class TForm : public TWinControl {
 public:
  TForm();
  ~TForm() override;

  TFormBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle style);
  // The client area's size; the window grows by its frame.
  void SetClientSize(int width, int height);
  int MinHeight() const noexcept { return FMinHeight; }
  void SetMinHeight(int value);
  bool KeyPreview = false;
  TWindowState WindowState() const noexcept { return FWindowState; }
  void SetWindowState(TWindowState state);
  void SetBounds(int left, int top, int width, int height) override;
  void SetCaption(const std::string& caption) override;
  // Shows the form (maximised when its state says so) or hides it.
  void SetVisible(bool visible) override;

  // Closes the form: asks OnCloseQuery, then runs OnClose; the main form's
  // close ends the application, any other form is hidden or freed as OnClose says.
  void Close();
  TModalResult ModalResult = mrNone;

  TNotifyEvent OnCreate;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnDestroy;
  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  // Runs OnCreate; an error goes to the standard error report.
  void DoCreate();
  // Runs OnDestroy once; call first thing in the destructor of a derived form.
  void DoDestroy();
  void Activate();
  void Deactivate();
  // Moves the focus to the next (or previous) tab stop of the form.
  void SelectNext(bool forward);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  DWORD StyleForBorder() const noexcept;
  TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
  TWindowState FWindowState = TWindowState::wsNormal;
  int FMinHeight = 0;
  int FClientWidth = 0;
  int FClientHeight = 0;
  bool FDestroyed = false;
};

}  // namespace kvx
