#pragma once
// The arguments of one incoming control event, as the handler slots take them.

#include "toolkit/Win.h"

#include <oaidl.h>

#include <cstdint>
#include <deque>
#include <vector>

namespace kvx {

// The arguments of one event in declaration order, handed over as the control
// passed them: a by-reference argument as its pointer (a handler's write
// lands in the control's storage), a text as the BSTR itself, a boolean as
// its 16 bits. A handler never gets a plain value where it declares a
// reference: when the control passes a value there, or fewer arguments than
// declared, the reference points at storage of the call instead.
class TEventArgs {
 public:
  explicit TEventArgs(const DISPPARAMS& params);
  ~TEventArgs();
  TEventArgs(const TEventArgs&) = delete;
  TEventArgs& operator=(const TEventArgs&) = delete;

  int Count() const noexcept { return static_cast<int>(FArgs.size()); }
  // The argument's VARIANT as the control passed it; null past the end.
  VARIANT* Source(int index) const noexcept;
  // The raw word of the direct argument passing: the pointer of a
  // by-reference argument, the BSTR itself, the 16 bits of a boolean, the 4
  // or 8 bytes of a number, the address of the VARIANT for an array.
  std::uint64_t Raw(int index) const noexcept;

  // Typed views of argument `index`.
  BSTR Text(int index) const noexcept;
  std::int32_t Integer(int index) const noexcept;
  std::uint32_t Cardinal(int index) const noexcept {
    return static_cast<std::uint32_t>(Integer(index));
  }
  VARIANT_BOOL Boolean(int index) const noexcept;
  IDispatch* Dispatch(int index) const noexcept;
  VARIANT* VariantRef(int index);
  VARIANT_BOOL* BooleanRef(int index);
  std::int32_t* IntegerRef(int index);
  short* SmallIntRef(int index);
  IDispatch** DispatchRef(int index);

 private:
  // The value behind a by-reference VARIANT (VT_BYREF|VT_VARIANT), else the argument.
  const VARIANT* Value(int index) const noexcept;
  VARIANT* Scratch(VARTYPE type);

  std::vector<VARIANT*> FArgs;
  std::deque<VARIANT> FScratch;
};

}  // namespace kvx
