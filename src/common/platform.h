// Everything the core reaches outside itself, gathered so one reference can be handed down, with the core's
// own pacing of its waits over it.
#pragma once
#include "common/wait_pacing.h"
#include "platform/desktop.h"
#include "platform/forms.h"
#include "platform/global_memory.h"
#include "platform/host_libraries.h"
#include "platform/loop.h"
#include "platform/profile_files.h"

namespace apexer {

struct Platform {
  platform::Desktop& desktop;
  platform::ProfileFiles& profiles;
  platform::GlobalMemory& memory;
  platform::Clock& clock;
  platform::MessageLoop& loop;
  platform::Application& app;
  platform::StatusForm& status;
  HostLibraries& host;
  // How long the yields block: the core's policy, told of the requests and the events it sees.
  WaitPacing pacing{};
};

}  // namespace apexer
