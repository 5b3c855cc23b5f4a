// The yield every wait uses: the program's own windows are serviced, and a Cancel click ends the run.
#pragma once
#include "platform/platform.h"

namespace apexer {

// Throws CancelRequested once the status window's Cancel was clicked during the yield.
void YieldToMessageLoop(platform::Platform& p, platform::Awaiting awaiting = platform::Awaiting::Nothing);

}  // namespace apexer
