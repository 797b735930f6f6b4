#pragma once
// Colour maths of the themed controls: a hue-saturation-luminance model on a
// 0 to 240 scale, lighter, darker, blended and complementary colours, and the
// rows of a vertical gradient. Free of the platform so it is tested natively.

#include "core/Colour.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// H, S and L as bytes. S and L run from 0 to 240; H comes out of RgbToHsl in
// 0 to 240 and is read by HslToRgb on a 0 to 239 scale.
struct THsl {
  std::uint8_t H = 0;
  std::uint8_t S = 0;
  std::uint8_t L = 0;
  friend bool operator==(const THsl&, const THsl&) = default;
};

// Every routine below resolves system colours first and answers RGB.
// Fractions are rounded to the nearest integer, halves to even; the maths
// runs on exact fractions so the result does not depend on the FPU.
THsl RgbToHsl(TColor colour) noexcept;
TColor HslToRgb(std::uint8_t h, std::uint8_t s, std::uint8_t l) noexcept;
TColor Darken(TColor colour, std::uint8_t amount) noexcept;
TColor Lighten(TColor colour, std::uint8_t amount) noexcept;
// weight 255 gives a, 0 gives b.
TColor MixColours(TColor a, TColor b, std::uint8_t weight) noexcept;
bool ColoursTooNear(TColor a, TColor b) noexcept;
// The hue opposite the colour's, fully saturated, at the given luminance.
TColor OppositeHue(TColor colour, std::uint8_t luminance) noexcept;

// Row colours of a vertical gradient of the given height, top row first, in
// 16.16 fixed point counted up from the bottom: the bottom row is exactly the
// bottom colour and the top row stops one step short of the top colour.
std::vector<TColor> VerticalShadeRows(TColor top, TColor bottom, int height);

// The caption without its accelerator markers, for drawing with prefixes
// off: a lone "&" goes, a pair becomes one "&", the last character stays.
std::wstring StripAccelerators(std::wstring_view text);

// The accelerator character of a caption (the one after a single "&"), or 0.
wchar_t AcceleratorChar(std::wstring_view caption) noexcept;

}  // namespace kvx
