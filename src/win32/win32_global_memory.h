// Movable global memory of the real kernel32, addressed by the host's 32-bit block handles.
#pragma once
#include "platform/global_memory.h"

namespace apexer::win32 {

class Win32GlobalMemory : public platform::GlobalMemory {
 public:
  void* GlobalLock(platform::GlobalHandle block) override;
  bool GlobalUnlock(platform::GlobalHandle block) override;
  platform::GlobalHandle GlobalFree(platform::GlobalHandle block) override;
  std::size_t GlobalSize(platform::GlobalHandle block) override;
};

}  // namespace apexer::win32
