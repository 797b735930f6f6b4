#pragma once
// A set of the members of an enumeration, held as bits (member n is bit n):
// the option sets of the browser component (user-interface options, download
// options, context-menu kinds and items) are such sets.

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace kvx {

template <class E>
class TEnumSet {
  static_assert(std::is_enum_v<E>, "a set of enumeration members");

 public:
  constexpr TEnumSet() noexcept = default;
  constexpr TEnumSet(std::initializer_list<E> members) noexcept {
    for (E member : members) Include(member);
  }
  static constexpr TEnumSet FromBits(std::uint32_t bits) noexcept {
    TEnumSet set;
    set.FBits = bits;
    return set;
  }

  constexpr bool Contains(E member) const noexcept { return (FBits & Bit(member)) != 0; }
  constexpr bool Empty() const noexcept { return FBits == 0; }
  constexpr std::uint32_t Bits() const noexcept { return FBits; }
  constexpr TEnumSet& Include(E member) noexcept {
    FBits |= Bit(member);
    return *this;
  }
  constexpr TEnumSet& Exclude(E member) noexcept {
    FBits &= ~Bit(member);
    return *this;
  }
  friend constexpr bool operator==(TEnumSet a, TEnumSet b) noexcept { return a.FBits == b.FBits; }
  friend constexpr TEnumSet operator|(TEnumSet a, TEnumSet b) noexcept {
    return FromBits(a.FBits | b.FBits);
  }

 private:
  static constexpr std::uint32_t Bit(E member) noexcept {
    const auto n = static_cast<unsigned>(member);
    return n < 32 ? std::uint32_t{1} << n : 0;
  }
  std::uint32_t FBits = 0;
};

}  // namespace kvx
