#pragma once
// Where aligned children go in their parent's client area: docked to a side
// in the order the parent holds them, or filling what the docked ones leave.
// Free of the platform so the placement is tested natively.

#include <optional>
#include <span>
#include <vector>

namespace kvx {

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// A rectangle by its edges, right and bottom exclusive, as the platform's.
struct TAlignArea {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TAlignArea&, const TAlignArea&) = default;
};

struct TAlignBounds {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  friend bool operator==(const TAlignBounds&, const TAlignBounds&) = default;
};

struct TAlignChild {
  TAlign Align = TAlign::alNone;
  bool Visible = true;
  int Width = 0;   // kept by alLeft and alRight
  int Height = 0;  // kept by alTop and alBottom
};

// The bounds of each child, in the order given; none for a child that is not
// aligned or is hidden (it stays where it is and takes no room). All top
// children are placed first, then the bottom, left, right and client ones;
// each docked child takes its own height (or width) off the free area, which
// may run negative when they do not fit. Client children all fill the free
// area that is left, never with a negative size.
std::vector<std::optional<TAlignBounds>> AlignChildren(const TAlignArea& client,
                                                       std::span<const TAlignChild> children);

}  // namespace kvx
