// The owners of kernel handles and the one window procedure, against the real kernel32 and user32.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "shared/win32/handle.h"
#include "shared/win32/window_proc.h"

namespace {

using shared::win32::ScopedHandle;
using shared::win32::WindowProcOf;

// Whether a handle value still names an open handle of this process.
bool IsOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != FALSE;
}

HANDLE NewEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

TEST(ScopedHandle, ClosesWhatItHoldsWhenItsScopeEnds) {
  HANDLE seen = nullptr;
  {
    const ScopedHandle event(NewEvent());
    ASSERT_TRUE(event.valid());
    seen = event.get();
    EXPECT_TRUE(IsOpen(seen));
  }
  EXPECT_FALSE(IsOpen(seen));
}

TEST(ScopedHandle, NeitherNullNorInvalidHandleValueIsValidOrClosed) {
  EXPECT_FALSE(ScopedHandle().valid());
  EXPECT_FALSE(ScopedHandle(INVALID_HANDLE_VALUE).valid());
  // A file that cannot be opened comes back as INVALID_HANDLE_VALUE.
  const ScopedHandle none(CreateFileA("Z:\\no such folder\\no such file", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(none.valid());
  SetLastError(ERROR_SUCCESS);
  { const ScopedHandle nothing(nullptr); }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "CloseHandle was called on NULL";
}

TEST(ScopedHandle, AMoveHandsTheHandleOver) {
  ScopedHandle first(NewEvent());
  const HANDLE h = first.get();
  {
    const ScopedHandle second(std::move(first));
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(second.get(), h);
    EXPECT_TRUE(IsOpen(h)) << "the move closed it";
  }
  EXPECT_FALSE(IsOpen(h)) << "the new owner did not close it";
}

TEST(ScopedHandle, AssigningClosesTheHandleHeldBefore) {
  ScopedHandle owner(NewEvent());
  const HANDLE before = owner.get();
  owner = ScopedHandle(NewEvent());
  EXPECT_FALSE(IsOpen(before));
  EXPECT_TRUE(IsOpen(owner.get()));
  const HANDLE after = owner.get();
  owner.reset();
  EXPECT_FALSE(IsOpen(after));
  EXPECT_FALSE(owner.valid());
}

TEST(ScopedHandle, ReleaseGivesTheHandleUp) {
  HANDLE kept = nullptr;
  {
    ScopedHandle owner(NewEvent());
    kept = owner.release();
  }
  EXPECT_TRUE(IsOpen(kept));
  CloseHandle(kept);
}

// --- one window procedure ----------------------------------------------------------------------------------

constexpr UINT kAsk = WM_APP + 1;

struct Recorder {
  std::vector<UINT> seen;
  HWND window = nullptr;
  LRESULT Handle(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(message);
    window = w;
    return message == kAsk ? 42 : DefWindowProcA(w, message, wParam, lParam);
  }
};

LRESULT AnswerByFunction(Recorder& r, HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  return message == kAsk ? 7 : r.Handle(w, message, wParam, lParam);
}

// A window of a class of its own whose procedure is proc, with the object (or none) it is made for.
HWND MakeWindow(const char* className, WNDPROC proc, void* object) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  return CreateWindowExA(0, className, "owners test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                         wc.hInstance, object);
}

TEST(WindowProcOf, TheObjectGetsEveryMessageFromWmNcCreateOn) {
  Recorder r;
  const HWND w = MakeWindow("OwnersTestMember", WindowProcOf<Recorder, &Recorder::Handle>, &r);
  ASSERT_NE(w, nullptr);
  ASSERT_FALSE(r.seen.empty());
  EXPECT_EQ(r.seen.front(), static_cast<UINT>(WM_NCCREATE)) << "the first message the object sees";
  EXPECT_NE(std::find(r.seen.begin(), r.seen.end(), static_cast<UINT>(WM_CREATE)), r.seen.end());
  EXPECT_EQ(r.window, w);
  EXPECT_EQ(SendMessageA(w, kAsk, 0, 0), 42) << "the object's answer";
  EXPECT_EQ(r.seen.back(), kAsk);
  DestroyWindow(w);
  EXPECT_EQ(r.seen.back(), static_cast<UINT>(WM_NCDESTROY)) << "the last message the object sees";
}

TEST(WindowProcOf, AFreeFunctionGetsTheObject) {
  Recorder r;
  const HWND w = MakeWindow("OwnersTestFunction", WindowProcOf<Recorder, AnswerByFunction>, &r);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(SendMessageA(w, kAsk, 0, 0), 7);
  EXPECT_EQ(r.window, w);
  DestroyWindow(w);
}

TEST(WindowProcOf, WithoutAnObjectTheWindowIsTheSystemsAlone) {
  const HWND w = MakeWindow("OwnersTestNone", WindowProcOf<Recorder, &Recorder::Handle>, nullptr);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(SendMessageA(w, kAsk, 0, 0), 0) << "DefWindowProcA's answer";
  EXPECT_TRUE(DestroyWindow(w));
}

}  // namespace
