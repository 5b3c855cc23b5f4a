// The program's calls into the window server and the host's libraries, counted and timed by kind and by the
// request each stretch of waiting follows. Only the measuring build (APEXER_COUNT_CALLS) counts; elsewhere
// everything here is empty and inline.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "platform/loop.h"
#include "win32/win32_handles.h"

namespace apexer::win32 {

enum class CallKind : std::uint8_t {
  Listing,   // the top-level windows in Z-order (EnumWindows) and FindWindowA("")
  Find,      // FindWindowA
  Title,     // GetWindowTextA
  Test,      // IsWindow, GetParent, GetDlgItem, GetActiveWindow
  Peek,      // PeekMessageA
  Block,     // MsgWaitForMultipleObjectsEx, or a pause
  Request,   // a message posted or sent, a host command
  HostCall,  // any other call of the host's libraries
  Count_
};

class CallCounts {
 public:
  static constexpr std::size_t kKinds = static_cast<std::size_t>(CallKind::Count_);
  struct Tally {
    std::array<std::uint64_t, kKinds> calls{};
    std::array<double, kKinds> ms{};
  };

#ifdef APEXER_COUNT_CALLS
  void Add(CallKind kind, double ms) {
    const auto k = static_cast<std::size_t>(kind);
    for (Tally* t : {&total_, &current_->second.tally}) {
      ++t->calls[k];
      t->ms[k] += ms;
    }
  }
  // Everything counted from here to the next request belongs to the stretch that follows this one, named
  // after it: "post 273 354", "send 12", "host command".
  void Request(const platform::HostRequest& request);
  // JSON: {"total": {kind: n, kind_ms: ms}, "after": {request: {"times": n, kind: n, kind_ms: ms}}}.
  std::string Json() const;
#else
  void Add(CallKind, double) {}
  void Request(const platform::HostRequest&) {}
#endif

 private:
#ifdef APEXER_COUNT_CALLS
  struct Segment {
    std::uint64_t times = 0;
    Tally tally;
  };
  Tally total_;
  std::map<std::string, Segment> segments_{{"start", Segment{1, {}}}};
  std::map<std::string, Segment>::iterator current_ = segments_.begin();
#endif
};

// Counts one call and the time it takes, in the measuring build.
class CallScope {
 public:
#ifdef APEXER_COUNT_CALLS
  CallScope(CallCounts& counts, CallKind kind) : counts_(counts), kind_(kind) { QueryPerformanceCounter(&start_); }
  ~CallScope() {
    // Fixed at boot: asked once, not inside every call being timed.
    static const double ticksPerMs = [] {
      LARGE_INTEGER frequency;
      QueryPerformanceFrequency(&frequency);
      return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    counts_.Add(kind_, static_cast<double>(end.QuadPart - start_.QuadPart) / ticksPerMs);
  }

 private:
  CallCounts& counts_;
  CallKind kind_;
  LARGE_INTEGER start_;
#else
  CallScope(CallCounts&, CallKind) {}
#endif
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;
};

}  // namespace apexer::win32
