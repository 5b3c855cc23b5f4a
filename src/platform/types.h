// Basic value types shared by the core and its platform seam.
#pragma once
#include <cstdint>

namespace apexer {

using Integer = std::int16_t;  // the host's 16-bit signed whole number
using Long = std::int32_t;     // the host's 32-bit signed whole number
using Single = float;          // IEEE single precision

// Window handles are 32-bit values everywhere we look at them; 0 is "no window".
using Hwnd = std::uint32_t;

constexpr Integer kTrue = -1;
constexpr Integer kFalse = 0;

}  // namespace apexer
