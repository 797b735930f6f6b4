#include "core/ThemeColours.h"

#include <algorithm>
#include <cstdlib>

namespace kvx {

namespace {

// num / den rounded to the nearest integer, halves to even; num >= 0, den > 0.
std::int64_t RoundHalfEven(std::int64_t num, std::int64_t den) noexcept {
  std::int64_t q = num / den;
  std::int64_t twiceRest = 2 * (num % den);
  if (twiceRest > den || (twiceRest == den && (q & 1) != 0)) ++q;
  return q;
}

std::uint8_t ToByte(std::int64_t value) noexcept {
  return static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
}

}  // namespace

THsl RgbToHsl(TColor colour) noexcept {
  colour = ResolveColour(colour);
  const int r = RedOf(colour), g = GreenOf(colour), b = BlueOf(colour);
  const int max = std::max({r, g, b}), min = std::min({r, g, b});
  const int sum = max + min;  // L = sum / 510
  THsl hsl;
  hsl.L = ToByte(RoundHalfEven(std::int64_t{sum} * 240, 510));
  if (max == min) return hsl;
  const int d = max - min;
  // L < 0.5 exactly when sum < 255.
  const int sDen = sum < 255 ? sum : 510 - sum;
  hsl.S = ToByte(RoundHalfEven(std::int64_t{d} * 240, sDen));
  // H in sixths of the circle, scaled by 240 / 6 = 40, over d.
  std::int64_t hNum;
  if (r == max)
    hNum = 40 * std::int64_t{g - b};
  else if (g != max)
    hNum = 40 * (std::int64_t{4} * d + (r - g));
  else
    hNum = 40 * (std::int64_t{2} * d + (b - r));
  if (hNum < 0) hNum += std::int64_t{240} * d;
  hsl.H = ToByte(RoundHalfEven(hNum, d));
  return hsl;
}

TColor HslToRgb(std::uint8_t h, std::uint8_t s, std::uint8_t l) noexcept {
  // v and m in units of 1/57600 (S and L are over 240 each).
  const std::int64_t hh = h, ss = s, ll = l;
  const std::int64_t v = ll < 120 ? ll * (240 + ss) : 240 * ll + 240 * ss - ll * ss;
  if (v <= 0) return RgbColour(0, 0, 0);
  const std::int64_t m = 2 * ll * 240 - v;
  // The hue is read on the 239 scale: x = 6h / 239.
  const std::int64_t sextant = 6 * hh / 239;
  const std::int64_t fraction = 6 * hh % 239;  // f = fraction / 239
  // Channels in units of 1 / (57600 * 239).
  constexpr std::int64_t unit = 57600 * 239;
  const std::int64_t V = v * 239, M = m * 239;
  const std::int64_t step = (v - m) * fraction;  // v * ((v - m) / v) * f
  const std::int64_t mid1 = M + step, mid2 = V - step;
  const std::int64_t bySextant[6][3] = {{V, mid1, M}, {mid2, V, M}, {M, V, mid1},
                                        {M, mid2, V}, {mid1, M, V}, {V, M, mid2}};
  // Sextant 6 (h of 239 and above) reads as the first.
  const std::int64_t* rgb = bySextant[sextant < 6 ? sextant : 0];
  std::uint8_t channel[3];
  for (int i = 0; i < 3; ++i) {
    // Capped at 1; an over-saturated input must not wrap below 0 either.
    std::int64_t value = std::clamp<std::int64_t>(rgb[i], 0, unit);
    channel[i] = ToByte(RoundHalfEven(value * 255, unit));
  }
  return RgbColour(channel[0], channel[1], channel[2]);
}

TColor Darken(TColor colour, std::uint8_t amount) noexcept {
  THsl hsl = RgbToHsl(colour);
  return HslToRgb(hsl.H, hsl.S, static_cast<std::uint8_t>(std::max(hsl.L - amount, 0)));
}

TColor Lighten(TColor colour, std::uint8_t amount) noexcept {
  // Up to 255, past 240: the channels are capped, so this ends in white.
  THsl hsl = RgbToHsl(colour);
  return HslToRgb(hsl.H, hsl.S, static_cast<std::uint8_t>(std::min(hsl.L + amount, 255)));
}

TColor MixColours(TColor a, TColor b, std::uint8_t weight) noexcept {
  a = ResolveColour(a);
  b = ResolveColour(b);
  const std::int64_t w = weight;
  auto mix = [w](std::uint8_t x, std::uint8_t y) {
    return ToByte(RoundHalfEven(x * w + y * (255 - w), 255));
  };
  return RgbColour(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}

bool ColoursTooNear(TColor a, TColor b) noexcept {
  THsl x = RgbToHsl(a), y = RgbToHsl(b);
  return std::abs(x.H - y.H) < 20 && std::abs(x.L - y.L) < 60;
}

TColor OppositeHue(TColor colour, std::uint8_t luminance) noexcept {
  int h = RgbToHsl(colour).H;
  h = h < 120 ? h + 120 : h - 120;
  return HslToRgb(static_cast<std::uint8_t>(h), 240, luminance);
}

std::vector<TColor> VerticalShadeRows(TColor top, TColor bottom, int height) {
  std::vector<TColor> rows;
  if (height <= 0) return rows;
  top = ResolveColour(top);
  bottom = ResolveColour(bottom);
  std::int64_t start[3], step[3];
  const std::uint8_t topChannel[3] = {RedOf(top), GreenOf(top), BlueOf(top)};
  const std::uint8_t bottomChannel[3] = {RedOf(bottom), GreenOf(bottom), BlueOf(bottom)};
  for (int i = 0; i < 3; ++i) {
    start[i] = std::int64_t{bottomChannel[i]} << 16;
    // Integer division truncates toward zero, as the fixed-point step must.
    step[i] = ((std::int64_t{topChannel[i]} << 16) - start[i]) / height;
  }
  rows.resize(static_cast<std::size_t>(height));
  for (int k = 0; k < height; ++k) {  // k = 0 is the bottom row
    std::uint8_t c[3];
    for (int i = 0; i < 3; ++i) c[i] = ToByte((start[i] + k * step[i]) >> 16);
    rows[static_cast<std::size_t>(height - 1 - k)] = RgbColour(c[0], c[1], c[2]);
  }
  return rows;
}

std::wstring StripAccelerators(std::wstring_view text) {
  std::wstring result;
  if (text.empty()) return result;
  result.reserve(text.size());
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'&')
      result += text[i];
    else if (text[i + 1] == L'&')
      result += L'&';
  }
  result += text.back();
  return result;
}

wchar_t AcceleratorChar(std::wstring_view caption) noexcept {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] != L'&') return caption[i + 1];
    ++i;  // "&&" is a literal ampersand
  }
  return 0;
}

}  // namespace kvx
