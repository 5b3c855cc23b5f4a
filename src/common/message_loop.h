// The yield every wait uses: the program's own windows are serviced, and a Cancel click ends the run.
#pragma once
#include <cstdint>

#include "common/platform.h"

namespace apexer {

// Dispatches the program's events, then blocks as long as the pacing allows for what the wait awaits.
// Throws CancelRequested once the status window's Cancel was clicked during the yield.
void YieldToMessageLoop(Platform& p, platform::Awaiting awaiting = platform::Awaiting::Nothing);
// A short pause between polls that must not run the program's event handlers.
void PauseWithoutEvents(Platform& p);

// The longest a press on the program's windows holds the run back, from when the yield saw it begin. A
// click lasts a few hundred milliseconds and a deliberate press a second or two; a button held down longer
// (a hand resting on the mouse, a window being dragged about) should cost the run no more than one of the
// host's own 5-second waits, and the run goes on while it lasts.
constexpr std::int64_t kLongestHoldMs = 5000;

// A question to the host: a window by kind, the current file, a library call.
inline constexpr platform::HostRequest kHostQuestion{};

// Made right before the run asks the host for something (a message posted or sent to its windows, a call
// of its libraries). While a person holds a mouse button down on one of the program's windows, the run
// waits here, servicing them, so that no window the host opens or activates in answer takes the press
// away; what the release does (Cancel, About) then acts before the request, as at any yield. The order of
// the host's operations stays as it was: they only start later. A press is seen only once a yield has
// dispatched it, so one call ahead of host calls that follow each other with no yield between them holds
// all of them.
// A request that has the host act (not a question) then restarts the pacing, since the host is expected to
// react soon, and is told to the platform. A question polled in a wait leaves the pacing as it is.
void BeforeHostRequest(Platform& p, const platform::HostRequest& request);

}  // namespace apexer
