// The dialogs the browser control opens over its form: real dialogs of the
// user-interface thread, opened while the watched form is active, as message
// boxes and script-error reports take the activation from the main window.
#include "toolkit/Win.h"

#include "app/Resources.h"
#include "browser/component/DialogWatcher.h"
#include "tests/support/OtherThreadWindow.h"
#include "toolkit/Application.h"
#include "toolkit/Form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kvx::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class TWatchedForm : public TForm {
 public:
  TWatchedForm() {
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetBounds(100, 100, 400, 300);
  }
};

// The program's icon 1 in the small size, loaded apart from the watcher.
HICON ProgramSmallIcon() {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_KORVEXA),
                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

std::wstring Caption(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return text;
}

HICON SmallIcon(HWND window) {
  return reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
}

// Installed over the form's message handler for its lifetime: which window
// the form lost the activation to, and that window's caption by then.
class TActivationLoss {
 public:
  explicit TActivationLoss(TForm& form) : FForm(form), FPrevious(form.WindowProc()) {
    form.SetWindowProc(TRecorder{this});
  }
  ~TActivationLoss() { FForm.SetWindowProc(FPrevious); }
  TActivationLoss(const TActivationLoss&) = delete;
  TActivationLoss& operator=(const TActivationLoss&) = delete;

  // This recorder itself is the form's handler now, nothing in front of it.
  bool IsFormsHandler() const {
    const TRecorder* handler = FForm.WindowProc().target<TRecorder>();
    return handler && handler->Self == this;
  }

  std::vector<HWND> LostTo;
  std::vector<std::wstring> Captions;

 private:
  struct TRecorder {
    TActivationLoss* Self;
    void operator()(TMessage& m) const {
      if (m.Msg == WM_ACTIVATE && LOWORD(m.WParam) == WA_INACTIVE) {
        HWND to = reinterpret_cast<HWND>(m.LParam);
        Self->LostTo.push_back(to);
        Self->Captions.push_back(to ? Caption(to) : L"");
      }
      Self->FPrevious(m);
    }
  };

  TForm& FForm;
  TWndMethod FPrevious;
};

// A modeless standard dialog that records what reaches its procedure and
// closes itself on IDCANCEL, as the platform's dialogs do on WM_CLOSE.
class TTestDialog {
 public:
  // Opens it over `owner`, hidden; Show() hands it the activation.
  TTestDialog(HWND owner, const std::wstring& caption,
              std::optional<DWORD> exStyle = std::nullopt) {
    std::vector<WORD> tmpl(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3 + caption.size() + 1);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(tmpl.data());
    header->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    header->cx = 120;
    header->cy = 60;
    WORD* tail = tmpl.data() + sizeof(DLGTEMPLATE) / sizeof(WORD);
    tail[0] = tail[1] = 0;  // no menu, the standard class
    std::copy(caption.begin(), caption.end(), tail + 2);
    FWindow = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), header, owner, Procedure,
                                         reinterpret_cast<LPARAM>(&Messages));
    if (FWindow && exStyle) SetWindowLongW(FWindow, GWL_EXSTYLE, static_cast<LONG>(*exStyle));
  }
  ~TTestDialog() {
    if (IsWindow(FWindow)) DestroyWindow(FWindow);
  }
  TTestDialog(const TTestDialog&) = delete;
  TTestDialog& operator=(const TTestDialog&) = delete;

  HWND Handle() const noexcept { return FWindow; }
  void Show() { ShowWindow(FWindow, SW_SHOW); }
  bool Exists() const { return IsWindow(FWindow); }

  // WM_CLOSE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_COMMAND (IDCANCEL) and WM_DESTROY, in order.
  std::vector<UINT> Messages;

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      return FALSE;  // no focus yet: that would activate it before Show
    }
    auto* messages = reinterpret_cast<std::vector<UINT>*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!messages) return FALSE;
    switch (msg) {
      case WM_CLOSE:
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_DESTROY:
        messages->push_back(msg);
        break;
      case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
          messages->push_back(msg);
          DestroyWindow(dialog);
          return TRUE;
        }
        break;
    }
    return FALSE;
  }

  HWND FWindow = nullptr;
};

// A message box as a page's script opens one: answered by the user (a timer
// of its modal loop presses OK) unless something closed it first.
struct TMessageBoxSeen {
  bool Seen = false;  // the box was still there for the user to answer
  std::wstring Caption;
  HICON SmallIcon = nullptr;
};

TMessageBoxSeen* gSeen = nullptr;
HWND gBoxOwner = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) == StandardDialogClass && GetWindow(window, GW_OWNER) == gBoxOwner &&
      IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box || gSeen->Seen) return;
  gSeen->Seen = true;
  gSeen->Caption = Caption(box);
  gSeen->SmallIcon = SmallIcon(box);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TMessageBoxSeen ShowMessageBox(HWND owner, const std::wstring& caption) {
  TMessageBoxSeen seen;
  gSeen = &seen;
  gBoxOwner = owner;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerBox);
  MessageBoxW(owner, L"来自网页的消息", caption.c_str(), MB_OK);
  KillTimer(nullptr, timer);
  gSeen = nullptr;
  return seen;
}

class DialogWatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FApplication.OnException = [this](TObject* sender, const std::exception& e) {
      FErrors.push_back(e.what());
      FErrorSenders.push_back(sender);
    };
  }

  // Shows the form and makes it the active window, as the main window is
  // when the page opens a dialog.
  void Activate() {
    FForm.Show();
    ASSERT_TRUE(ComeBackTo(FForm.Handle()));
  }

  TApplication FApplication;
  std::vector<std::string> FErrors;
  std::vector<TObject*> FErrorSenders;
  TWatchedForm FForm;
  TWinControl FComponent{&FForm};
  TDialogBoxes FBoxes;
  TShowDialogEvent FOnShowDialog;
  bool FScriptErrorsSuppressed = false;
  TDialogWatcher FWatcher{FComponent, FBoxes, FOnShowDialog,
                          [this] { return FScriptErrorsSuppressed; }, nullptr};
};

TEST_F(DialogWatcherTest, TheMainWindowsMessageBoxesGetTheApplicationsIconAndLoseTheBrowsersName) {
  // The component loads before the main window has its window.
  ASSERT_FALSE(FForm.HandleAllocated());
  FWatcher.WatchOwnerWindow();
  ASSERT_TRUE(FWatcher.Watching());
  Activate();

  TMessageBoxSeen box = ShowMessageBox(FForm.Handle(), L"Microsoft Internet Explorer");
  ASSERT_TRUE(box.Seen);
  EXPECT_EQ(box.Caption, L"");
  ASSERT_NE(ProgramSmallIcon(), nullptr);
  EXPECT_EQ(box.SmallIcon, ProgramSmallIcon());
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(box.SmallIcon, &info));
  BITMAP mask{};
  GetObjectW(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(mask.bmWidth, GetSystemMetrics(SM_CXSMICON));
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  EXPECT_THAT(FErrors, IsEmpty());
}

TEST_F(DialogWatcherTest,
       TheBrowsersNameInACaptionGivesWayToTheNewCaptionOnlyWhileReplaceCaptionIsOn) {
  FWatcher.WatchOwnerWindow();
  Activate();
  struct Case {
    bool replaceCaption;
    const wchar_t* caption;
    const wchar_t* expected;
  } cases[] = {
      {true, L"Microsoft Internet Explorer", L"Korvexa – 한글"},
      {true, L"Microsoft Word - Microsoft Excel", L"Word - Microsoft Excel"},
      {true, L"来自网页的消息", L"来自网页的消息"},
      {true, L"Windows Internet Explorer – ß", L"Windows Korvexa – 한글 – ß"},
      {false, L"Microsoft Internet Explorer", L"Microsoft Internet Explorer"},
  };
  // Characters no 8-bit code page of the platform holds all of.
  FBoxes.NewCaption = L"Korvexa – 한글";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case #" << (&c - cases));
    FBoxes.ReplaceCaption = c.replaceCaption;
    ASSERT_TRUE(ComeBackTo(FForm.Handle()));
    TTestDialog dialog(FForm.Handle(), c.caption);
    dialog.Show();
    EXPECT_EQ(Caption(dialog.Handle()), c.expected);
    EXPECT_EQ(SmallIcon(dialog.Handle()), ProgramSmallIcon());
  }
}

TEST_F(DialogWatcherTest, OnlyStandardAndHtmlDialogsOfThisThreadAreTouched) {
  FWatcher.WatchOwnerWindow();
  FBoxes.DisableAll = true;  // would close any dialog it took for the browser's
  Activate();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  for (const wchar_t* name : {HtmlDialogClass, L"OtherDialogFrame"}) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = name;
    RegisterClassW(&wc);
  }
  auto frame = [&](const wchar_t* name) {
    return TUniqueWindow(CreateWindowExW(0, name, L"Microsoft Internet Explorer",
                                         WS_POPUP | WS_CAPTION, 0, 0, 200, 100, FForm.Handle(),
                                         nullptr, instance, nullptr));
  };
  {
    FBoxes.DisableAll = false;
    TUniqueWindow html = frame(HtmlDialogClass);
    ShowWindow(html.Get(), SW_SHOW);
    EXPECT_EQ(Caption(html.Get()), L"");
    EXPECT_EQ(SmallIcon(html.Get()), ProgramSmallIcon());
    FBoxes.DisableAll = true;
  }
  {
    ASSERT_TRUE(ComeBackTo(FForm.Handle()));
    TUniqueWindow other = frame(L"OtherDialogFrame");
    ShowWindow(other.Get(), SW_SHOW);
    EXPECT_EQ(Caption(other.Get()), L"Microsoft Internet Explorer");
    EXPECT_EQ(SmallIcon(other.Get()), nullptr);
  }
  // A dialog of another thread (another program's, say) that the user
  // switches to, as the form's WM_ACTIVATE names it: left as it is.
  std::atomic<HWND> foreign{nullptr};
  std::atomic<DWORD> thread{0};
  std::atomic<bool> done{false};
  std::wstring caption;
  HICON icon = nullptr;
  std::vector<UINT> messages;
  std::thread program([&] {
    TTestDialog dialog(nullptr, L"Microsoft Internet Explorer Script Error");
    thread = GetCurrentThreadId();
    foreign = dialog.Handle();
    MSG msg;
    while (!done && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    caption = Caption(dialog.Handle());
    icon = SmallIcon(dialog.Handle());
    messages = dialog.Messages;
  });
  while (!foreign) std::this_thread::yield();
  FScriptErrorsSuppressed = true;
  FWatcher.HandleDialogActivation(
      TMessage{WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(foreign.load())});
  done = true;
  PostThreadMessageW(thread, WM_NULL, 0, 0);
  program.join();
  EXPECT_THAT(messages, IsEmpty());
  EXPECT_EQ(caption, L"Microsoft Internet Explorer Script Error");
  EXPECT_EQ(icon, nullptr);
}

enum class TFate { None, ClickedAndClosed, Destroyed };

TEST_F(DialogWatcherTest, ScriptErrorReportsAreClosedOrDestroyedWhileScriptErrorsAreSuppressed) {
  FWatcher.WatchOwnerWindow();
  Activate();
  constexpr DWORD plainStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  struct Case {
    bool suppressed;
    bool replaceCaption;
    const wchar_t* caption;
    DWORD exStyle;
    TFate fate;
  } cases[] = {
      {true, true, L"Internet Explorer Script Error", plainStyle,
       TFate::ClickedAndClosed},  // both words
      {true, true, L"sCrIpT", plainStyle, TFate::ClickedAndClosed},
      {true, true, L"An error has occurred", plainStyle, TFate::Destroyed},
      {true, true, L"来自网页的消息", 0x410101, TFate::Destroyed},
      {true, true, L"来自网页的消息", plainStyle, TFate::None},
      // Captions left alone: the class name says neither word, so the style decides.
      {true, false, L"Script Error", plainStyle, TFate::None},
      {true, false, L"Script Error", 0x410101, TFate::Destroyed},
      {true, false, L"来自网页的消息", 0x410101, TFate::Destroyed},
      {false, true, L"Script Error", 0x410101, TFate::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case #" << (&c - cases));
    FScriptErrorsSuppressed = c.suppressed;
    FBoxes.ReplaceCaption = c.replaceCaption;
    ASSERT_TRUE(ComeBackTo(FForm.Handle()));
    TTestDialog dialog(FForm.Handle(), c.caption, c.exStyle);
    ASSERT_EQ(static_cast<DWORD>(GetWindowLongW(dialog.Handle(), GWL_EXSTYLE)), c.exStyle);
    dialog.Show();
    // All of it happens while the dialog takes the activation.
    switch (c.fate) {
      case TFate::ClickedAndClosed:
        EXPECT_THAT(dialog.Messages,
                    ElementsAre(WM_CLOSE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_COMMAND, WM_DESTROY));
        break;
      case TFate::Destroyed:
        EXPECT_THAT(dialog.Messages, ElementsAre(WM_DESTROY));
        break;
      case TFate::None:
        EXPECT_THAT(dialog.Messages, IsEmpty());
        EXPECT_TRUE(dialog.Exists());
        break;
    }
  }
}

TEST_F(DialogWatcherTest, AScriptErrorMessageBoxIsGoneAndTheFormWorksOn) {
  FWatcher.WatchOwnerWindow();
  FScriptErrorsSuppressed = true;
  Activate();
  TMessageBoxSeen box = ShowMessageBox(FForm.Handle(), L"Error");
  EXPECT_FALSE(box.Seen);
  EXPECT_TRUE(IsWindowEnabled(FForm.Handle()));
  box = ShowMessageBox(FForm.Handle(), L"Script");
  EXPECT_FALSE(box.Seen);
  EXPECT_TRUE(IsWindowEnabled(FForm.Handle()));
}

TEST_F(DialogWatcherTest, TheHostSeesEachDialogFirstAndItsAnswersStayInTheOptions) {
  struct Call {
    TObject* sender;
    HWND h;
    std::int32_t styleEx;
    std::wstring newCaption;
  };
  std::vector<Call> calls;
  bool cancel = false;
  FOnShowDialog = [&](TObject* sender, HWND h, std::int32_t styleEx, std::wstring& newCaption,
                      bool& c) {
    calls.push_back({sender, h, styleEx, newCaption});
    newCaption = L"Korvexa";
    if (cancel) c = true;
  };
  FWatcher.WatchOwnerWindow();
  Activate();
  {
    TTestDialog dialog(FForm.Handle(), L"Microsoft Internet Explorer", 0x410101);
    dialog.Show();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].sender, &FComponent);
    EXPECT_EQ(calls[0].h, dialog.Handle());
    EXPECT_EQ(calls[0].styleEx, 0x410101);
    EXPECT_EQ(calls[0].newCaption, L"");
    EXPECT_EQ(Caption(dialog.Handle()), L"Korvexa");
    EXPECT_EQ(FBoxes.NewCaption, L"Korvexa");
    EXPECT_TRUE(dialog.Exists());
  }
  // Cancel closes that dialog and every later one.
  cancel = true;
  ASSERT_TRUE(ComeBackTo(FForm.Handle()));
  EXPECT_FALSE(ShowMessageBox(FForm.Handle(), L"Microsoft Internet Explorer").Seen);
  EXPECT_TRUE(FBoxes.DisableAll);
  FOnShowDialog = nullptr;
  ASSERT_TRUE(ComeBackTo(FForm.Handle()));
  TTestDialog later(FForm.Handle(), L"来自网页的消息");
  later.Show();
  EXPECT_THAT(later.Messages, ElementsAre(WM_CLOSE));
  EXPECT_TRUE(PumpUntil([&] { return !later.Exists(); }));
  ASSERT_TRUE(ComeBackTo(FForm.Handle()));
  EXPECT_FALSE(ShowMessageBox(FForm.Handle(), L"来自网页的消息").Seen);
  EXPECT_EQ(calls.size(), 2u);
}

TEST_F(DialogWatcherTest, AnErrorOfTheHostIsReportedAndTheFormStillSeesItsActivation) {
  TActivationLoss loss(FForm);
  FOnShowDialog = [](TObject*, HWND, std::int32_t, std::wstring&, bool&) {
    throw std::runtime_error("the host failed");
  };
  FWatcher.WatchOwnerWindow();
  Activate();
  TTestDialog dialog(FForm.Handle(), L"Microsoft Internet Explorer");
  dialog.Show();
  EXPECT_THAT(FErrors, ElementsAre("the host failed"));
  EXPECT_THAT(FErrorSenders, ElementsAre(&FComponent));
  EXPECT_THAT(loss.LostTo, ::testing::Contains(dialog.Handle()));
}

TEST_F(DialogWatcherTest, TheFormsHandlerGetsEveryMessageAfterTheInspectionAndIsPutBack) {
  TActivationLoss own(FForm);
  FWatcher.WatchOwnerWindow();
  FBoxes.NewCaption = L"Korvexa";
  Activate();
  {
    TTestDialog dialog(FForm.Handle(), L"Microsoft Internet Explorer");
    dialog.Show();
    // The form's handler saw the dialog already retitled.
    EXPECT_THAT(own.Captions, ::testing::Contains(L"Korvexa"));
  }

  ASSERT_FALSE(own.IsFormsHandler());
  FWatcher.ReleaseOwnerWindow();
  EXPECT_TRUE(own.IsFormsHandler());
  EXPECT_FALSE(FWatcher.Watching());
  EXPECT_FALSE(TDialogWatcher::ProcessWatching());
  ASSERT_TRUE(ComeBackTo(FForm.Handle()));
  {
    TTestDialog dialog(FForm.Handle(), L"Microsoft Internet Explorer");
    dialog.Show();
    EXPECT_EQ(Caption(dialog.Handle()), L"Microsoft Internet Explorer");
    ASSERT_FALSE(own.LostTo.empty());
    EXPECT_EQ(own.LostTo.back(), dialog.Handle()) << "the form's own handler is back";
  }

  // A handler installed over the watcher stays when the watch ends; the
  // watcher's part under it only passes messages on.
  FWatcher.WatchOwnerWindow();
  TActivationLoss over(FForm);
  FWatcher.ReleaseOwnerWindow();
  EXPECT_TRUE(over.IsFormsHandler());
  EXPECT_FALSE(TDialogWatcher::ProcessWatching());
  ASSERT_TRUE(ComeBackTo(FForm.Handle()));
  TTestDialog dialog(FForm.Handle(), L"Microsoft Internet Explorer");
  dialog.Show();
  EXPECT_THAT(over.LostTo, ::testing::Contains(dialog.Handle()));
  EXPECT_EQ(own.LostTo.back(), dialog.Handle());
  EXPECT_EQ(Caption(dialog.Handle()), L"Microsoft Internet Explorer");
}

TEST_F(DialogWatcherTest, OnlyOneComponentOfTheProcessWatchesAndAnotherMayOnceItStops) {
  TDialogBoxes secondBoxes;
  int secondCalls = 0, firstCalls = 0;
  TShowDialogEvent secondEvent = [&](TObject*, HWND, std::int32_t, std::wstring&, bool&) {
    ++secondCalls;
  };
  FOnShowDialog = [&](TObject*, HWND, std::int32_t, std::wstring&, bool&) { ++firstCalls; };
  TWatchedForm secondForm;
  TWinControl secondComponent(&secondForm);
  {
    // A designing component never watches and leaves the watch to others.
    TDialogWatcher designing(secondComponent, secondBoxes, secondEvent, nullptr,
                             [] { return true; });
    designing.WatchOwnerWindow();
    EXPECT_FALSE(designing.Watching());
  }
  FWatcher.WatchOwnerWindow();
  ASSERT_TRUE(FWatcher.Watching());
  {
    TDialogWatcher second(secondComponent, secondBoxes, secondEvent, nullptr, nullptr);
    second.WatchOwnerWindow();
    EXPECT_FALSE(second.Watching());
    second.ReleaseOwnerWindow();
    EXPECT_TRUE(TDialogWatcher::ProcessWatching());
  }  // its destruction does not end the first one's watch
  Activate();
  TTestDialog dialog(FForm.Handle(), L"Microsoft Internet Explorer");
  dialog.Show();
  EXPECT_EQ(firstCalls, 1);
  EXPECT_EQ(secondCalls, 0);
  EXPECT_EQ(Caption(dialog.Handle()), L"");

  FWatcher.ReleaseOwnerWindow();
  TDialogWatcher next(secondComponent, secondBoxes, secondEvent, nullptr, nullptr);
  next.WatchOwnerWindow();
  EXPECT_TRUE(next.Watching());
}

TEST_F(DialogWatcherTest, AHostThatEndsTheComponentInTheEventEndsTheInspection) {
  TActivationLoss own(FForm);
  auto watcher = std::make_unique<TDialogWatcher>(
      FComponent, FBoxes, FOnShowDialog, [this] { return FScriptErrorsSuppressed; }, nullptr);
  FOnShowDialog = [&](TObject*, HWND, std::int32_t, std::wstring&, bool&) { watcher.reset(); };
  watcher->WatchOwnerWindow();
  Activate();
  TTestDialog dialog(FForm.Handle(), L"Microsoft Internet Explorer");
  dialog.Show();
  EXPECT_EQ(watcher, nullptr);
  EXPECT_EQ(Caption(dialog.Handle()), L"Microsoft Internet Explorer");
  EXPECT_EQ(SmallIcon(dialog.Handle()), nullptr);
  EXPECT_FALSE(TDialogWatcher::ProcessWatching());
  EXPECT_TRUE(own.IsFormsHandler());
  EXPECT_THAT(own.LostTo, ::testing::Contains(dialog.Handle()))
      << "the form still saw its activation";
}

TEST(DialogWatcher, AWatcherOutlivingItsFormLeavesItAlone) {
  TApplication application;
  TDialogBoxes boxes;
  TShowDialogEvent event;
  auto form = std::make_unique<TWatchedForm>();
  TWinControl component(form.get());
  {
    TDialogWatcher watcher(component, boxes, event, nullptr, nullptr);
    watcher.WatchOwnerWindow();
    ASSERT_TRUE(watcher.Watching());
    form.reset();
  }
  EXPECT_FALSE(TDialogWatcher::ProcessWatching());
}

}  // namespace
}  // namespace kvx::test
