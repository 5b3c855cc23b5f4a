#include "common/message_loop.h"

#include "common/errors.h"

namespace apexer {

void YieldToMessageLoop(platform::Platform& p, platform::Awaiting awaiting) {
  p.loop.DoEvents(awaiting);
  // Raised here, outside any window procedure, so the unwinding never crosses the platform's dispatcher.
  if (p.status.CancelClicked()) throw CancelRequested();
}

}  // namespace apexer
