#include "win32/win32_global_memory.h"

#include "win32/win32_handles.h"

namespace apexer::win32 {

void* Win32GlobalMemory::GlobalLock(platform::GlobalHandle block) {
  return block == 0 ? nullptr : ::GlobalLock(ToHglobal(block));
}

bool Win32GlobalMemory::GlobalUnlock(platform::GlobalHandle block) {
  return block != 0 && ::GlobalUnlock(ToHglobal(block)) != FALSE;
}

platform::GlobalHandle Win32GlobalMemory::GlobalFree(platform::GlobalHandle block) {
  return block == 0 ? 0 : FromHglobal(::GlobalFree(ToHglobal(block)));
}

std::size_t Win32GlobalMemory::GlobalSize(platform::GlobalHandle block) {
  return block == 0 ? 0 : ::GlobalSize(ToHglobal(block));
}

}  // namespace apexer::win32
