// Thin owners of Win32 handles, one job each: what is taken in a scope is given back when it ends.
#pragma once
#include <utility>

#include "shared/win32/gdi.h"
#include "shared/win32/handle.h"
#include "win32/win32_handles.h"

namespace apexer::win32 {

using shared::win32::ScopedGdiObject;
using shared::win32::ScopedHandle;
using shared::win32::ScopedSelectObject;
using ScopedFont = ScopedGdiObject<HFONT>;

// The device context of a window (of the screen for nullptr), released with ReleaseDC.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedGetDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A menu destroyed with DestroyMenu unless a window took it over (Release).
class ScopedMenu {
 public:
  explicit ScopedMenu(HMENU menu) : menu_(menu) {}
  ~ScopedMenu() {
    if (menu_ != nullptr) DestroyMenu(menu_);
  }
  ScopedMenu(const ScopedMenu&) = delete;
  ScopedMenu& operator=(const ScopedMenu&) = delete;

  HMENU get() const { return menu_; }
  HMENU Release() { return std::exchange(menu_, nullptr); }

 private:
  HMENU menu_;
};

// A loaded library, freed with FreeLibrary when its owner goes.
class ScopedLibrary {
 public:
  explicit ScopedLibrary(HMODULE module) : module_(module) {}
  ~ScopedLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  ScopedLibrary(ScopedLibrary&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
  ScopedLibrary& operator=(ScopedLibrary&& other) noexcept {
    std::swap(module_, other.module_);
    return *this;
  }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;

  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

}  // namespace apexer::win32
