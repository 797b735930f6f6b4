#pragma once
// Where the browser host component puts the user agent the browser announces.

#include <cstdint>

namespace kvx {

// uaDefault: nowhere, the browser announces its own; uaInternal: as the
// host's ambient property, which the control is told to read again;
// uaRegistry: as a value in the user's browser settings, held until the
// component lets go of it.
enum class TUserAgentMode : std::uint8_t { uaDefault, uaInternal, uaRegistry };

}  // namespace kvx
