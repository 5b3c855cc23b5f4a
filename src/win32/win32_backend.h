// The real platform's own pieces, made together in the order they rely on one another: both programs
// stand on the same backend.
#pragma once
#include "win32/win32_desktop.h"
#include "win32/win32_global_memory.h"
#include "win32/win32_host_libraries.h"
#include "win32/win32_loop.h"
#include "win32/win32_profile_files.h"

namespace apexer::win32 {

struct Win32Backend {
  CallCounts calls;  // the measuring build's; empty in every other
  Win32Clock clock;
  Win32MessageLoop loop{clock, calls};
  Win32Desktop desktop{calls};
  Win32ProfileFiles profiles;
  Win32GlobalMemory memory;
  Win32HostLibraries host{calls};
};

}  // namespace apexer::win32
