#pragma once
// A memory device context over a 32-bit top-down DIB, for checking pixels.

#include "toolkit/Win.h"

#include "core/ThemeColours.h"
#include "toolkit/Handles.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kvx::test {

class TTestCanvas {
 public:
  TTestCanvas(int width, int height, TColor fill = RgbColour(1, 2, 3))
      : FWidth(width), FHeight(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    FDC.Reset(CreateCompatibleDC(nullptr));
    FBitmap.Reset(CreateDIBSection(FDC.Get(), &info, DIB_RGB_COLORS,
                                   reinterpret_cast<void**>(&FBits), nullptr, 0));
    FOld = SelectObject(FDC.Get(), FBitmap.Get());
    Fill(fill);
  }
  ~TTestCanvas() { SelectObject(FDC.Get(), FOld); }
  TTestCanvas(const TTestCanvas&) = delete;
  TTestCanvas& operator=(const TTestCanvas&) = delete;

  HDC DC() const noexcept { return FDC.Get(); }
  int Width() const noexcept { return FWidth; }
  int Height() const noexcept { return FHeight; }
  bool Valid() const noexcept { return FBits != nullptr; }

  void Fill(TColor colour) {
    GdiFlush();
    for (int i = 0; i < FWidth * FHeight; ++i) FBits[i] = ToDib(colour);
  }
  // The pixel as an RGB colour (0x00BBGGRR).
  TColor At(int x, int y) const {
    GdiFlush();
    std::uint32_t v = FBits[y * FWidth + x];
    return RgbColour(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                     static_cast<std::uint8_t>(v));
  }
  const std::uint32_t* Bits() const noexcept {
    GdiFlush();
    return FBits;
  }

  // Rows of characters, one per pixel: the legend maps characters to colours.
  // '?' in the picture matches anything.
  struct TLegend {
    char Key;
    TColor Colour;
  };
  std::string Mismatches(int left, int top, const std::vector<std::string>& picture,
                         std::initializer_list<TLegend> legend) const {
    std::string report;
    for (int y = 0; y < static_cast<int>(picture.size()); ++y) {
      for (int x = 0; x < static_cast<int>(picture[y].size()); ++x) {
        char key = picture[y][x];
        if (key == '?') continue;
        const TLegend* entry = nullptr;
        for (const TLegend& l : legend)
          if (l.Key == key) entry = &l;
        if (!entry) return std::string("no colour for '") + key + "'";
        TColor actual = At(left + x, top + y);
        if (actual != entry->Colour)
          report += "(" + std::to_string(left + x) + "," + std::to_string(top + y) + ") wants '" +
                    key + "' " + Hex(entry->Colour) + " has " + Hex(actual) + "\n";
      }
    }
    return report;
  }

  static std::string Hex(TColor c) {
    char text[16];
    wsprintfA(text, "#%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
    return text;
  }

 private:
  static std::uint32_t ToDib(TColor c) {
    c = ResolveColour(c);
    return (std::uint32_t{RedOf(c)} << 16) | (std::uint32_t{GreenOf(c)} << 8) | BlueOf(c);
  }
  int FWidth, FHeight;
  TUniqueMemDC FDC;
  TUniqueBitmap FBitmap;
  HGDIOBJ FOld = nullptr;
  std::uint32_t* FBits = nullptr;
};

// The smallest box, edges included, holding every pixel where two canvases of
// one size differ: {width, height, -1, -1} when they are alike.
inline RECT Difference(const TTestCanvas& a, const TTestCanvas& b) {
  RECT box{a.Width(), a.Height(), -1, -1};
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.At(x, y) != b.At(x, y)) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x);
        box.bottom = std::max<LONG>(box.bottom, y);
      }
  return box;
}

}  // namespace kvx::test
