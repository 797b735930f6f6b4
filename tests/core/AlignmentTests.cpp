#include "core/Alignment.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kvx {

void PrintTo(const TAlignBounds& b, std::ostream* os) {
  *os << "{" << b.Left << ", " << b.Top << ", " << b.Width << " x " << b.Height << "}";
}

namespace {

using enum TAlign;
using TPlaced = std::optional<TAlignBounds>;
constexpr std::nullopt_t kLeftAlone = std::nullopt;

TAlignChild Child(TAlign align, int width, int height, bool visible = true) {
  return TAlignChild{align, visible, width, height};
}

TEST(Alignment, ChildrenDockInTheirOrderAndClientOnesFillWhatIsLeft) {
  struct TCase {
    const char* Name;
    TAlignArea Client;
    std::vector<TAlignChild> Children;
    std::vector<TPlaced> Expected;
  } const cases[] = {
      {"top keeps its height, takes the width",
       {0, 0, 100, 80},
       {Child(alTop, 7, 20)},
       {TAlignBounds{0, 0, 100, 20}}},
      {"bottom sits on the bottom edge",
       {0, 0, 100, 80},
       {Child(alBottom, 7, 20)},
       {TAlignBounds{0, 60, 100, 20}}},
      {"left keeps its width, takes the height",
       {0, 0, 100, 80},
       {Child(alLeft, 30, 7)},
       {TAlignBounds{0, 0, 30, 80}}},
      {"right sits on the right edge",
       {0, 0, 100, 80},
       {Child(alRight, 30, 7)},
       {TAlignBounds{70, 0, 30, 80}}},
      {"client fills all of it",
       {0, 0, 100, 80},
       {Child(alClient, 7, 7)},
       {TAlignBounds{0, 0, 100, 80}}},
      {"not aligned is left alone", {0, 0, 100, 80}, {Child(alNone, 7, 7)}, {kLeftAlone}},
      {"an area that does not start at the origin (a border)",
       {2, 3, 98, 77},
       {Child(alTop, 0, 10), Child(alRight, 20, 0), Child(alClient, 0, 0)},
       {TAlignBounds{2, 3, 96, 10}, TAlignBounds{78, 13, 20, 64}, TAlignBounds{2, 13, 76, 64}}},
      {"two tops stack in the order held",
       {0, 0, 100, 80},
       {Child(alTop, 0, 10), Child(alTop, 0, 15)},
       {TAlignBounds{0, 0, 100, 10}, TAlignBounds{0, 10, 100, 15}}},
      {"tops go before bottoms, lefts and rights, whatever the order held",
       {0, 0, 100, 80},
       {Child(alClient, 0, 0), Child(alRight, 10, 0), Child(alLeft, 20, 0), Child(alBottom, 0, 5),
        Child(alTop, 0, 15)},
       {TAlignBounds{20, 15, 70, 60}, TAlignBounds{90, 15, 10, 60}, TAlignBounds{0, 15, 20, 60},
        TAlignBounds{0, 75, 100, 5}, TAlignBounds{0, 0, 100, 15}}},
      {"hidden children take no room and stay where they are",
       {0, 0, 100, 80},
       {Child(alTop, 0, 30, false), Child(alLeft, 40, 0, false), Child(alClient, 0, 0)},
       {kLeftAlone, kLeftAlone, TAlignBounds{0, 0, 100, 80}}},
      {"every client child fills the same rest",
       {0, 0, 100, 80},
       {Child(alClient, 0, 0), Child(alTop, 0, 20), Child(alClient, 0, 0)},
       {TAlignBounds{0, 20, 100, 60}, TAlignBounds{0, 0, 100, 20}, TAlignBounds{0, 20, 100, 60}}},
      {"lefts that do not fit run past the edge and leave the client nothing",
       {0, 0, 100, 80},
       {Child(alLeft, 60, 0), Child(alLeft, 60, 0), Child(alClient, 0, 0)},
       {TAlignBounds{0, 0, 60, 80}, TAlignBounds{60, 0, 60, 80}, TAlignBounds{120, 0, 0, 80}}},
      {"sides below tops that overran get a negative height",
       {0, 0, 100, 80},
       {Child(alTop, 0, 50), Child(alTop, 0, 50), Child(alBottom, 0, 10), Child(alRight, 25, 0)},
       {TAlignBounds{0, 0, 100, 50}, TAlignBounds{0, 50, 100, 50}, TAlignBounds{0, 70, 100, 10},
        TAlignBounds{75, 100, 25, -30}}},
      {"a zero-size client area",
       {0, 0, 0, 0},
       {Child(alTop, 5, 10), Child(alLeft, 8, 5), Child(alClient, 5, 5)},
       {TAlignBounds{0, 0, 0, 10}, TAlignBounds{0, 10, 8, -10}, TAlignBounds{8, 10, 0, 0}}},
      {"no children", {0, 0, 100, 80}, {}, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(AlignChildren(c.Client, c.Children), c.Expected);
  }
}

}  // namespace
}  // namespace kvx
