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
  // A form's size changed. (Only forms have it: a hosted browser's OnResize
  // is the page script's resize request, of another shape.)
  TNotifyEvent OnResize;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnDestroy;
  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;

  // The control that has (or, while the form is not active, last had) the
  // keyboard focus; null when the form's own window has it. Setting it gives
  // the control the focus when the form is active and the control can take
  // it; otherwise the form remembers it and gives it the focus when it is
  // activated. A control of another form is refused with an error.
  TWinControl* ActiveControl() const noexcept { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  // Tells the form that `window` (its own, a control's, or a window inside a
  // hosted control) now has the focus: the form keeps ActiveControl and
  // broadcasts CM_FOCUSCHANGED with the control that has the focus. Windows
  // the toolkit did not make are announced by the window that lost the focus
  // to them, by the form's activation, or by whoever watches them.
  void FocusMoved(HWND window);
  // Takes the focus away from `control` and what is inside it: ActiveControl
  // no longer points there, and the form's own window takes the focus if the
  // control had it (e.g. before the control is disabled).
  void DefocusControl(TWinControl* control);
  // Broadcasts CM_FOCUSCHANGED again for the control that has the focus now
  // (null when the focus is not on this form), e.g. after a default button changed.
  void ReannounceFocus();
  // Runs the after-loading step (Loaded) once for every control of the form,
  // parents before their children in creation order, then for the form
  // itself. Call it once the form has created and configured its components.
  void FinishLoading();

  // Runs OnCreate; an error goes to the standard error report.
  void DoCreate();
  // Runs OnDestroy once; call first thing in the destructor of a derived form.
  void DoDestroy();
  void Activate();
  void Deactivate();
  // Moves the focus to the next (or previous) tab stop of the form.
  void SelectNext(bool forward);

 protected:
  void Resized() override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class TWinControl;
  DWORD StyleForBorder() const noexcept;
  // Forgets ActiveControl when it is `control` or inside it.
  void ControlRemoved(TWinControl* control) noexcept;
  // On activation: keeps a focus that is already on the form, else gives it
  // to ActiveControl. False when neither applies.
  bool RestoreFocus();
  // Gives the focus to ActiveControl (to the window inside it that had it
  // last, when that can still take it). False when there is none to give it to.
  bool FocusActiveControl();
  TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
  TWindowState FWindowState = TWindowState::wsNormal;
  int FMinHeight = 0;
  int FClientWidth = 0;
  int FClientHeight = 0;
  bool FDestroyed = false;
  TWinControl* FActiveControl = nullptr;
  // The window that last had the focus on this form (inside ActiveControl).
  HWND FFocusedWindow = nullptr;
};

}  // namespace kvx
