// A form's outer rectangle in screen pixels, as stored in the settings file.
#pragma once
#include "platform/types.h"

namespace apexer {

struct WindowRect {
  Long Left = 0;
  Long Top = 0;
  Long Width = 0;
  Long Height = 0;
};

}  // namespace apexer
