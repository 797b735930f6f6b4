#include "toolkit/Win.h"

#include "toolkit/Label.h"

#include "core/CodePage.h"

namespace kvx {

TLabel::TLabel(TWinControl* parent) : TWinControl(parent) {
  SetOwnPaint(true);
}

void TLabel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = L"KorvexaLabel";
}

void TLabel::CreateWnd() {
  TWinControl::CreateWnd();
  AdjustSize();
}

void TLabel::SetCaption(const std::string& caption) {
  TWinControl::SetCaption(caption);
  AdjustSize();
  Invalidate();
}

void TLabel::SetAutoSize(bool value) {
  FAutoSize = value;
  AdjustSize();
}

void TLabel::FontChanged() {
  TWinControl::FontChanged();
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!FAutoSize || !HandleAllocated()) return;
  TWindowDC dc(Handle());
  TSelectObject font(dc.Get(), FontHandle());
  std::wstring text = GbkToWide(Caption());
  RECT r{0, 0, 0, 0};
  DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SetBounds(Left(), Top(), r.right, r.bottom);
}

void TLabel::EraseBackground(HDC dc) {
  RECT r;
  GetClientRect(Handle(), &r);
  SetBkColor(dc, ColorToRGB(Parent() ? Parent()->Color() : Color()));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void TLabel::Paint(HDC dc) {
  RECT r;
  GetClientRect(Handle(), &r);
  TSelectObject font(dc, FontHandle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Font().Color));
  std::wstring text = GbkToWide(Caption());
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace kvx
