#include "toolkit/Win.h"

#include "browser/activex/OleFont.h"

#include "browser/activex/OleError.h"
#include "browser/activex/ScreenMetrics.h"
#include "toolkit/Handles.h"

#include <olectl.h>

namespace kvx {
namespace {

constexpr LONGLONG kPointsPerInch = 72;
// A CY is a fixed-point number with four decimal places.
constexpr LONGLONG kCurrencyScale = 10000;
constexpr LONGLONG kCurrencyPerInch = kPointsPerInch * kCurrencyScale;

}  // namespace

Microsoft::WRL::ComPtr<IDispatch> MakeOleFont(const TFont& font) {
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.lpstrName = const_cast<LPOLESTR>(font.Name.c_str());
  int height = font.Height < 0 ? -font.Height : font.Height;
  desc.cySize.int64 = static_cast<LONGLONG>(height) * kCurrencyPerInch / PixelsPerInchY();
  desc.sWeight = static_cast<SHORT>(font.Bold ? FW_BOLD : FW_NORMAL);
  desc.sCharset = font.Charset;
  desc.fItalic = font.Italic;
  desc.fUnderline = font.Underline;
  desc.fStrikethrough = FALSE;
  Microsoft::WRL::ComPtr<IDispatch> result;
  OleCheck(
      OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(result.GetAddressOf())));
  return result;
}

void ReadOleFont(IDispatch* fontDispatch, TFont& font) {
  Microsoft::WRL::ComPtr<IFont> oleFont;
  if (!fontDispatch || FAILED(fontDispatch->QueryInterface(IID_PPV_ARGS(&oleFont)))) return;
  TUniqueBstr name;
  if (SUCCEEDED(oleFont->get_Name(name.Put())) && name.Get())
    font.Name.assign(name.Get(), SysStringLen(name.Get()));
  CY size{};
  if (SUCCEEDED(oleFont->get_Size(&size)))
    font.Height = -static_cast<int>((size.int64 * PixelsPerInchY() + kCurrencyPerInch / 2) /
                                    kCurrencyPerInch);
  BOOL flag = FALSE;
  if (SUCCEEDED(oleFont->get_Bold(&flag))) font.Bold = flag;
  if (SUCCEEDED(oleFont->get_Italic(&flag))) font.Italic = flag;
  if (SUCCEEDED(oleFont->get_Underline(&flag))) font.Underline = flag;
  SHORT charset = 0;
  if (SUCCEEDED(oleFont->get_Charset(&charset))) font.Charset = static_cast<BYTE>(charset);
}

}  // namespace kvx
