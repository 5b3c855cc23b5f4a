// The yield every wait uses: the program's own windows are serviced, and a Cancel click ends the run.
#pragma once
#include <cstdint>

#include "platform/platform.h"

namespace apexer {

// Throws CancelRequested once the status window's Cancel was clicked during the yield.
void YieldToMessageLoop(platform::Platform& p, platform::Awaiting awaiting = platform::Awaiting::Nothing);

// The longest a press on the program's windows holds the run back, from when the yield saw it begin. A
// click lasts a few hundred milliseconds and a deliberate press a second or two; a button held down longer
// (a hand resting on the mouse, a window being dragged about) should cost the run no more than one of the
// host's own 5-second waits, and the run goes on while it lasts.
constexpr std::int64_t kLongestHoldMs = 5000;

// Made right before the run asks the host for something (a message posted or sent to its windows, a call
// of its libraries). While a person holds a mouse button down on one of the program's windows, the run
// waits here, servicing them, so that no window the host opens or activates in answer takes the press
// away; what the release does (Cancel, About) then acts before the request, as at any yield. The order of
// the host's operations stays as it was: they only start later. A press is seen only once a yield has
// dispatched it, so one call ahead of host calls that follow each other with no yield between them holds
// all of them.
void BeforeHostRequest(platform::Platform& p);

}  // namespace apexer
