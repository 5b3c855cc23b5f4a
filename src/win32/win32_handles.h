// The seam's window and memory handles and the platform's own handle types (README, "Across the library
// boundary").
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

#include "platform/global_memory.h"
#include "platform/types.h"

namespace apexer::win32 {

// User handles carry 32 significant bits; a 64-bit process sees them sign-extended (HWND_TOPMOST is -1).
inline HWND ToHwnd(Hwnd h) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(h)));
}
inline Hwnd FromHwnd(HWND h) {
  return static_cast<Hwnd>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h)));
}
inline HGLOBAL ToHglobal(platform::GlobalHandle h) { return reinterpret_cast<HGLOBAL>(h); }
inline platform::GlobalHandle FromHglobal(HGLOBAL h) { return reinterpret_cast<platform::GlobalHandle>(h); }
// Message parameters keep the sign of the 32-bit values the program passes.
inline WPARAM ToWparam(Long v) { return static_cast<WPARAM>(static_cast<std::intptr_t>(v)); }
inline LPARAM ToLparam(Long v) { return static_cast<LPARAM>(v); }

}  // namespace apexer::win32
