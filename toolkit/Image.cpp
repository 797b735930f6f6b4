#include "toolkit/Win.h"

#include "toolkit/Image.h"

#include "toolkit/Exceptions.h"

namespace kvx {

TImage::TImage(TWinControl* parent) : TWinControl(parent) {
  SetOwnPaint(true);
}

void TImage::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = L"KorvexaImage";
}

void TImage::LoadBitmapResource(int id) {
  auto bitmap = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) throw Exception("Bitmap resource not found");
  SetBitmap(TUniqueBitmap(bitmap));
}

void TImage::SetBitmap(TUniqueBitmap bitmap) {
  FBitmap = std::move(bitmap);
  BITMAP info{};
  if (FBitmap) GetObjectW(FBitmap.Get(), sizeof info, &info);
  FSize = {info.bmWidth, info.bmHeight};
  SetBounds(Left(), Top(), FSize.cx, FSize.cy);
  Invalidate();
}

void TImage::EraseBackground(HDC dc) {
  RECT r;
  GetClientRect(Handle(), &r);
  SetBkColor(dc, ColorToRGB(Parent() ? Parent()->Color() : Color()));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void TImage::Paint(HDC dc) {
  if (!FBitmap) return;
  TUniqueMemDC source(CreateCompatibleDC(dc));
  TSelectObject select(source.Get(), FBitmap.Get());
  if (Transparent) {
    COLORREF key = GetPixel(source.Get(), 0, FSize.cy - 1);
    TransparentBlt(dc, 0, 0, FSize.cx, FSize.cy, source.Get(), 0, 0, FSize.cx, FSize.cy, key);
  } else {
    BitBlt(dc, 0, 0, FSize.cx, FSize.cy, source.Get(), 0, 0, SRCCOPY);
  }
}

}  // namespace kvx
