#pragma once
// The one colour type of the toolkit and the themed controls, and how a
// system colour is written in it. Platform-free so the colour maths is tested
// natively.

#include <cstdint>

namespace kvx {

// 0x00BBGGRR for an RGB colour (the platform's COLORREF), or a system colour:
// 0x800000nn for the platform's system colour number nn. That is how OLE
// writes a system colour (OLE_COLOR), so a colour crosses to a hosted ActiveX
// control as it is. Any colour with the top bit set is read as a system
// colour, whatever the other top bits (0xFF0000nn, as older stored values
// have it, reads the same).
using TColor = std::uint32_t;

constexpr TColor RgbColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr std::uint8_t RedOf(TColor c) noexcept {
  return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t GreenOf(TColor c) noexcept {
  return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t BlueOf(TColor c) noexcept {
  return static_cast<std::uint8_t>(c >> 16);
}

constexpr TColor SystemColour(int index) noexcept {
  return 0x80000000u | (static_cast<TColor>(index) & 0xFFu);
}
constexpr bool IsSystemColour(TColor c) noexcept {
  return (c & 0x80000000u) != 0;
}

// Where system colours come from. The platform layer installs the live
// system colours; until then (and natively) the platform's default scheme
// answers, so results do not depend on the machine.
using TSystemColourSource = TColor (*)(int index) noexcept;
void SetSystemColourSource(TSystemColourSource source) noexcept;  // null: default scheme
TColor DefaultSystemColour(int index) noexcept;

// A system colour becomes its RGB value; an RGB colour keeps its 24 bits.
TColor ResolveColour(TColor colour) noexcept;

}  // namespace kvx
