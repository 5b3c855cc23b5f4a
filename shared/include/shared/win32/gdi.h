// Owners of the GDI objects both products draw with: what is taken in a scope is given back when it ends.
#pragma once
#include <windows.h>

#include <cassert>
#include <utility>

namespace shared::win32 {

// A font, pen or brush, deleted with DeleteObject. Movable, so a maker can hand one out.
template <typename H>
class ScopedGdiObject {
 public:
  explicit ScopedGdiObject(H object = nullptr) : object_(object) {}
  ~ScopedGdiObject() {
    if (object_ != nullptr) DeleteObject(object_);
  }
  ScopedGdiObject(ScopedGdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ScopedGdiObject& operator=(ScopedGdiObject&& other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

  H get() const { return object_; }

 private:
  H object_;
};

// An object selected into a device context for the scope; the one it replaced is selected back.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {
    assert(dc != nullptr);
  }
  ~ScopedSelectObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace shared::win32
