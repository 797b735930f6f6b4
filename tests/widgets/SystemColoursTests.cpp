// System colours as the toolkit paints them and as the themed controls
// resolve them. A program of its own: the themes must not have started in
// this process before the first comparison.
#include "toolkit/Win.h"

#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"
#include "toolkit/Panel.h"
#include "toolkit/SystemColours.h"
#include "widgets/HotButton.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

// The colour the panel fills its client area with, drawn into a memory
// bitmap of the screen's depth.
COLORREF PanelColour(TPanel& panel) {
  TWindowDC screen(nullptr);
  TUniqueMemDC dc(CreateCompatibleDC(screen.Get()));
  TUniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), panel.Width(), panel.Height()));
  if (!dc || !bitmap) return CLR_INVALID;
  TSelectObject select(dc.Get(), bitmap.Get());
  SendMessageW(panel.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
  return GetPixel(dc.Get(), panel.Width() / 2, panel.Height() / 2);
}

TEST(SystemColours, APanelAndTheButtonOnItSeeTheSameSystemColoursBeforeAndAfterTheThemesStart) {
  TApplication application;
  TForm form;
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  TPanel panel(&form);
  panel.SetBounds(0, 0, 40, 40);
  form.HandleNeeded();

  // Every system colour of the platform, from the scroll bar to the menu bar.
  for (int index = COLOR_SCROLLBAR; index <= COLOR_MENUBAR; ++index) {
    SCOPED_TRACE(testing::Message() << "before the themes start, system colour " << index);
    const TColor colour = SystemColour(index);
    // Asked first: nothing has painted in this process yet.
    EXPECT_EQ(ResolveColour(colour), GetSysColor(index));
    panel.SetColor(colour);
    EXPECT_EQ(PanelColour(panel), GetSysColor(index));
    EXPECT_EQ(ColorToRGB(colour), ResolveColour(colour));
  }

  THotButton button(&panel);  // starts the themes
  button.SetBounds(0, 0, 10, 10);
  for (int index = COLOR_SCROLLBAR; index <= COLOR_MENUBAR; ++index) {
    SCOPED_TRACE(testing::Message() << "after the themes started, system colour " << index);
    const TColor colour = SystemColour(index);
    panel.SetColor(colour);
    button.SetColor(colour);
    EXPECT_EQ(PanelColour(panel), GetSysColor(index));
    EXPECT_EQ(ResolveColour(button.Color()), GetSysColor(index));
  }
}

}  // namespace
}  // namespace kvx
