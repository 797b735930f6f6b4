#include "core/Colour.h"

#include <atomic>
#include <iterator>

namespace kvx {
namespace {

std::atomic<TSystemColourSource> systemColourSource{nullptr};

}  // namespace

void SetSystemColourSource(TSystemColourSource source) noexcept {
  systemColourSource = source;
}

TColor DefaultSystemColour(int index) noexcept {
  // The platform's default scheme, by system colour number.
  static constexpr TColor scheme[] = {
      RgbColour(200, 200, 200), RgbColour(0, 0, 0),       RgbColour(153, 180, 209),
      RgbColour(191, 205, 219), RgbColour(240, 240, 240), RgbColour(255, 255, 255),
      RgbColour(100, 100, 100), RgbColour(0, 0, 0),       RgbColour(0, 0, 0),
      RgbColour(0, 0, 0),       RgbColour(180, 180, 180), RgbColour(244, 247, 252),
      RgbColour(171, 171, 171), RgbColour(51, 153, 255),  RgbColour(255, 255, 255),
      RgbColour(240, 240, 240), RgbColour(160, 160, 160), RgbColour(109, 109, 109),
      RgbColour(0, 0, 0),       RgbColour(67, 78, 84),    RgbColour(255, 255, 255),
      RgbColour(105, 105, 105), RgbColour(227, 227, 227), RgbColour(0, 0, 0),
      RgbColour(255, 255, 225), RgbColour(0, 0, 0),       RgbColour(0, 102, 204),
      RgbColour(185, 209, 234), RgbColour(215, 228, 242), RgbColour(51, 153, 255),
      RgbColour(240, 240, 240),
  };
  if (index < 0 || index >= static_cast<int>(std::size(scheme))) return RgbColour(0, 0, 0);
  return scheme[index];
}

TColor ResolveColour(TColor colour) noexcept {
  if (!IsSystemColour(colour)) return colour & 0x00FFFFFFu;
  int index = static_cast<int>(colour & 0xFFu);
  TSystemColourSource source = systemColourSource;
  TColor rgb = source ? source(index) : DefaultSystemColour(index);
  return rgb & 0x00FFFFFFu;
}

}  // namespace kvx
