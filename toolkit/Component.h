#pragma once
// Components are made in two steps: their constructors, then the work that
// needs the whole object. A virtual call made from a constructor reaches
// only the class being constructed, so whatever must see every layer of the
// most-derived class (an ActiveX control asking its site questions, for
// one) runs in AfterConstruction, once the object is complete.

#include "toolkit/Control.h"

#include <memory>
#include <type_traits>
#include <utility>

namespace kvx {

// Constructs a T and runs its AfterConstruction. When that raises, the
// object is destroyed through its real destructor and the error goes on to
// the caller: no half-made component escapes.
template <class T, class... A>
std::unique_ptr<T> CreateComponent(A&&... args) {
  static_assert(std::is_base_of_v<TWinControl, T>, "components are controls");
  auto component = std::make_unique<T>(std::forward<A>(args)...);
  static_cast<TWinControl*>(component.get())->AfterConstruction();
  return component;
}

}  // namespace kvx
