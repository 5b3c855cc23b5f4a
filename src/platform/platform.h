// Everything the core reaches outside itself, gathered so one reference can be handed down.
#pragma once
#include "platform/desktop.h"
#include "platform/forms.h"
#include "platform/global_memory.h"
#include "platform/host_libraries.h"
#include "platform/pacing.h"
#include "platform/profile_files.h"
#include "platform/run_record.h"

namespace apexer::platform {

struct Platform {
  Desktop& desktop;
  ProfileFiles& profiles;
  GlobalMemory& memory;
  Clock& clock;
  MessageLoop& loop;
  Application& app;
  StatusForm& status;
  HostLibraries& host;
  RunRecord& record;
};

}  // namespace apexer::platform
