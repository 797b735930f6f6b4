#pragma once
// The constant description of an ActiveX control class that drives the
// generic host, and the arguments of one incoming event.

#include "toolkit/Win.h"

#include <oaidl.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace kvx {

class TActiveXHost;
class TEventArgs;

// Calls the handler of one event slot; false when the slot is empty.
using TEventSlot = bool (*)(TActiveXHost& host, TEventArgs& args);

// Stock-property synchronisation flags.
inline constexpr std::uint32_t cfBackColor = 0x01;
inline constexpr std::uint32_t cfForeColor = 0x02;
inline constexpr std::uint32_t cfFont = 0x04;
inline constexpr std::uint32_t cfEnabled = 0x08;
inline constexpr std::uint32_t cfCaption = 0x10;
inline constexpr std::uint32_t cfText = 0x20;

// Reserved bits.
inline constexpr std::uint32_t crAlwaysSetClientSite = 0x01;
inline constexpr std::uint32_t crNeverSetClientSite = 0x02;

// One value an enumerated property may take, as the control describes it.
struct TEnumValue {
  std::wstring Name;
  std::uint32_t Cookie;
};
struct TEnumPropDesc {
  DISPID DispID;
  std::vector<TEnumValue> Values;
};

struct TControlDescription {
  CLSID ClassID;
  IID EventIID;
  std::int32_t EventCount;
  const DISPID* EventDispIDs;  // entry i feeds handler slot i
  std::uint32_t Flags;
  std::int32_t Version;
  std::int32_t FontCount;
  const DISPID* FontDispIDs;
  std::int32_t PictureCount;
  const DISPID* PictureDispIDs;
  std::uint32_t Reserved;
  std::int32_t InstanceCount;
  // Filled on demand, freed when the last instance goes.
  std::unique_ptr<std::deque<TEnumPropDesc>> PropDescriptions;
  // The wrapper's handler slots, one per event table entry; recorded by the
  // wrapper when it attaches the description.
  const TEventSlot* FirstEventSlot;
};

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
  std::uint32_t Cardinal(int index) const noexcept { return static_cast<std::uint32_t>(Integer(index)); }
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
