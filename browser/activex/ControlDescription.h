#pragma once
// The constant description of an ActiveX control class that drives the
// generic host.

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

// Written with designated initializers: a field left out is zero or empty.
struct TControlDescription {
  CLSID ClassID{};
  IID EventIID{};
  std::int32_t EventCount = 0;
  const DISPID* EventDispIDs = nullptr;  // entry i feeds handler slot i
  std::uint32_t Flags = 0;
  std::int32_t Version = 0;
  std::int32_t FontCount = 0;
  const DISPID* FontDispIDs = nullptr;
  std::int32_t PictureCount = 0;
  const DISPID* PictureDispIDs = nullptr;
  std::uint32_t Reserved = 0;
  std::int32_t InstanceCount = 0;
  // Filled on demand, freed when the last instance goes.
  std::unique_ptr<std::deque<TEnumPropDesc>> PropDescriptions{};
  // The wrapper's handler slots, one per event table entry; recorded by the
  // wrapper when it attaches the description.
  const TEventSlot* FirstEventSlot = nullptr;
};

}  // namespace kvx
