// Movable global memory blocks handed over by the host's integrator.
#pragma once
#include <cstddef>

#include "platform/types.h"

namespace apexer::platform {

// The host hands blocks over as 32-bit handles.
using GlobalHandle = Long;

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
