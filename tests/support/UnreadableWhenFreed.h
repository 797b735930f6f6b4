#pragma once
// A component whose memory can no longer be read once it is freed: its pages
// are decommitted, and stay reserved so that nothing else comes to live
// there. Code that touches it after a handler freed it faults at once
// instead of finding the old values, which would let the use pass unseen.

#include "toolkit/Win.h"

#include <cstddef>
#include <new>

namespace kvx::test {

template <class Component>
class TUnreadableWhenFreed final : public Component {
 public:
  using Component::Component;

  static void* operator new(std::size_t size) {
    void* memory = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!memory) throw std::bad_alloc();
    return memory;
  }
  static void operator delete(void* memory) noexcept {
    if (memory) VirtualFree(memory, 0, MEM_DECOMMIT);
  }
};

}  // namespace kvx::test
