// How handles and addresses cross the libraries' boundary (README, "Across the library boundary").
#pragma once

#include <windows.h>

#include <cstdint>

namespace standin {

// Window handles carry 32 significant bits on every architecture: cut to 32 on the way out,
// sign-extended on the way back, as Windows guarantees for 32/64-bit interop.
inline uint32_t LongFromHwnd(HWND h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }
inline HWND HwndFromLong(uint32_t h) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(h)));
}

// The peak block's handle and CopyMemVB's source address are pointer-sized (LONG_PTR): a 64-bit heap
// gives no promise that they fit in 32 bits.
inline LONG_PTR LongPtrFromHglobal(HGLOBAL h) { return reinterpret_cast<LONG_PTR>(h); }
inline HGLOBAL HglobalFromLongPtr(LONG_PTR h) { return reinterpret_cast<HGLOBAL>(h); }

}  // namespace standin
