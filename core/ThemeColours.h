#pragma once
// Colour maths of the themed controls: a hue-saturation-luminance model on a
// 0 to 240 scale, lighter, darker, blended and complementary colours, and the
// rows of a vertical gradient. Free of the platform so it is tested natively.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// 0x00BBGGRR for an RGB colour (the platform's COLORREF), or a system colour.
using TColour = std::uint32_t;

constexpr TColour RgbColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept {
  return static_cast<TColour>(r) | (static_cast<TColour>(g) << 8) | (static_cast<TColour>(b) << 16);
}
constexpr std::uint8_t RedOf(TColour c) noexcept {
  return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t GreenOf(TColour c) noexcept {
  return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t BlueOf(TColour c) noexcept {
  return static_cast<std::uint8_t>(c >> 16);
}

// The platform's system colour number nn (top byte 0xFF). Any colour with
// the top bit set is read as a system colour, whatever the other top bits.
constexpr TColour SystemColour(int index) noexcept {
  return 0xFF000000u | (static_cast<TColour>(index) & 0xFFu);
}
constexpr bool IsSystemColour(TColour c) noexcept {
  return (c & 0x80000000u) != 0;
}

// Where system colours come from. The platform layer installs the live
// system colours; until then (and natively) the platform's default scheme
// answers, so results do not depend on the machine.
using TSystemColourSource = TColour (*)(int index) noexcept;
void SetSystemColourSource(TSystemColourSource source) noexcept;  // null: default scheme
TColour DefaultSystemColour(int index) noexcept;

// A system colour becomes its RGB value; an RGB colour keeps its 24 bits.
TColour ResolveColour(TColour colour) noexcept;

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
THsl RgbToHsl(TColour colour) noexcept;
TColour HslToRgb(std::uint8_t h, std::uint8_t s, std::uint8_t l) noexcept;
TColour Darken(TColour colour, std::uint8_t amount) noexcept;
TColour Lighten(TColour colour, std::uint8_t amount) noexcept;
// weight 255 gives a, 0 gives b.
TColour MixColours(TColour a, TColour b, std::uint8_t weight) noexcept;
bool ColoursTooNear(TColour a, TColour b) noexcept;
// The hue opposite the colour's, fully saturated, at the given luminance.
TColour OppositeHue(TColour colour, std::uint8_t luminance) noexcept;

// Row colours of a vertical gradient of the given height, top row first, in
// 16.16 fixed point counted up from the bottom: the bottom row is exactly the
// bottom colour and the top row stops one step short of the top colour.
std::vector<TColour> VerticalShadeRows(TColour top, TColour bottom, int height);

// The caption without its accelerator markers, for drawing with prefixes
// off: a lone "&" goes, a pair becomes one "&", the last character stays.
std::wstring StripAccelerators(std::wstring_view text);

// The accelerator character of a caption (the one after a single "&"), or 0.
wchar_t AcceleratorChar(std::wstring_view caption) noexcept;

}  // namespace kvx
