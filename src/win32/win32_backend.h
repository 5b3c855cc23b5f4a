// The real platform's own pieces, made together in the order they rely on one another: both programs
// stand on the same backend.
#pragma once
#include "win32/win32_desktop.h"
#include "win32/win32_global_memory.h"
#include "win32/win32_host_libraries.h"
#include "win32/win32_pacing.h"
#include "win32/win32_profile_files.h"

namespace apexer::win32 {

struct Win32Backend {
  WaitPacer pacer;
  Win32Clock clock;
  Win32MessageLoop loop{pacer};
  Win32Desktop desktop{pacer};
  Win32ProfileFiles profiles;
  Win32GlobalMemory memory;
  Win32HostLibraries host{pacer};
};

}  // namespace apexer::win32
