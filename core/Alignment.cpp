#include "core/Alignment.h"

#include <algorithm>

namespace kvx {

std::vector<std::optional<TAlignBounds>> AlignChildren(const TAlignArea& client,
                                                       std::span<const TAlignChild> children) {
  std::vector<std::optional<TAlignBounds>> placed(children.size());
  TAlignArea r = client;
  for (TAlign which :
       {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
    for (size_t i = 0; i < children.size(); ++i) {
      const TAlignChild& c = children[i];
      if (c.Align != which || !c.Visible) continue;
      switch (which) {
        case TAlign::alTop:
          placed[i] = TAlignBounds{r.Left, r.Top, r.Right - r.Left, c.Height};
          r.Top += c.Height;
          break;
        case TAlign::alBottom:
          placed[i] = TAlignBounds{r.Left, r.Bottom - c.Height, r.Right - r.Left, c.Height};
          r.Bottom -= c.Height;
          break;
        case TAlign::alLeft:
          placed[i] = TAlignBounds{r.Left, r.Top, c.Width, r.Bottom - r.Top};
          r.Left += c.Width;
          break;
        case TAlign::alRight:
          placed[i] = TAlignBounds{r.Right - c.Width, r.Top, c.Width, r.Bottom - r.Top};
          r.Right -= c.Width;
          break;
        case TAlign::alClient:
          placed[i] = TAlignBounds{r.Left, r.Top, std::max(0, r.Right - r.Left),
                                   std::max(0, r.Bottom - r.Top)};
          break;
        case TAlign::alNone:
          break;
      }
    }
  }
  return placed;
}

}  // namespace kvx
