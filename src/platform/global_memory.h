// Movable global memory blocks handed over by the host's integrator.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace apexer::platform {

// Pointer-sized, as the handle the host's integrator writes: 32 bits on i686, 64 on x86_64.
using GlobalHandle = std::intptr_t;

class GlobalMemory {
 public:
  virtual ~GlobalMemory() = default;
  virtual void* GlobalLock(GlobalHandle block) = 0;
  virtual bool GlobalUnlock(GlobalHandle block) = 0;
  virtual GlobalHandle GlobalFree(GlobalHandle block) = 0;
  // Bytes the block really holds (0 for a bad handle), so a short block is never over-read.
  virtual std::size_t GlobalSize(GlobalHandle block) = 0;
};

}  // namespace apexer::platform
