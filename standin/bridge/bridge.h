// Bridge between the host process and the libraries loaded in the client: a named shared section that the
// host keeps current (its windows by kind, its current sample) plus the host's command window, which takes
// host commands as WM_COPYDATA.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "bridge/boundary.h"
#include "shared/win32/handle.h"

namespace standin {

inline constexpr const char* kBridgeSection = "ApexerStandinHostBridge";
inline constexpr const char* kBridgeLock = "ApexerStandinHostBridgeLock";
inline constexpr const char* kCommandWindowClass = "ApexerStandinHostCommand";
inline constexpr uint32_t kBridgeMagic = 0x31425653;
inline constexpr ULONG_PTR kCopyDataCommand = 0x434D4431;  // dwData of a host command text

struct BridgeState {
  uint32_t magic;
  uint32_t hostPid;
  uint32_t commandWindow;
  uint32_t windows[3];  // by kind: 0 main, 1 spectrum, 2 peak list
  char samplePath[MAX_PATH];
  char location[260];
  char fileName[256];
  char detail[256];
  int32_t scanCount;
  int32_t specValue;
};

// Host side: owns the section for the life of the process.
class BridgePublisher {
 public:
  bool Create();
  ~BridgePublisher();
  template <typename F>
  void Update(F&& change) {
    Lock();
    change(*state_);
    Unlock();
  }

 private:
  void Lock();
  void Unlock();
  shared::win32::ScopedHandle mapping_;
  shared::win32::ScopedHandle lock_;
  BridgeState* state_ = nullptr;
};

// Library side: a snapshot of the section; false when no live host publishes one. It waits for the host
// to let go of the section, as long as lockWaitMs allows: a host hung while it held it is waited for like
// any host that does not answer (false once lockWaitMs has passed).
bool ReadBridge(BridgeState& out, DWORD lockWaitMs = INFINITE);

// The host's window of a kind, or 0 when the host has none or the handle no longer names a window of it.
uint32_t HostWindowOfKind(const BridgeState& state, int kind);

}  // namespace standin
