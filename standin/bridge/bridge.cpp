#include "bridge/bridge.h"

#include <cstring>

namespace standin {

bool BridgePublisher::Create() {
  lock_.reset(CreateMutexA(nullptr, FALSE, kBridgeLock));
  mapping_.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(BridgeState), kBridgeSection));
  if (!mapping_.valid() || !lock_.valid()) return false;
  // One host at a time: a second one would take the first one's windows away from the client. One that
  // holds the section and does not let go is a host too, a hung one.
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  const DWORD held = WaitForSingleObject(lock_.get(), 2000);
  if (held == WAIT_OBJECT_0 || held == WAIT_ABANDONED) ReleaseMutex(lock_.get());
  BridgeState other;
  if (held == WAIT_TIMEOUT || (existed && ReadBridge(other) && other.hostPid != GetCurrentProcessId())) {
    mapping_.reset();
    return false;
  }
  state_ = static_cast<BridgeState*>(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(BridgeState)));
  if (!state_) return false;
  Update([](BridgeState& s) {
    std::memset(&s, 0, sizeof s);
    s.magic = kBridgeMagic;
    s.hostPid = GetCurrentProcessId();
  });
  return true;
}

BridgePublisher::~BridgePublisher() {
  if (state_) {
    Update([](BridgeState& s) { std::memset(&s, 0, sizeof s); });
    UnmapViewOfFile(state_);
  }
}

void BridgePublisher::Lock() { WaitForSingleObject(lock_.get(), 2000); }
void BridgePublisher::Unlock() { ReleaseMutex(lock_.get()); }

namespace {

// The client's view of the section and of the host process, opened once and kept: a bridge that keeps its
// connection, as a real one would, rather than some ten server calls per question. The host clears the
// section when it ends, and a new host reuses the same section, so the view never goes stale.
struct ClientSide {
  shared::win32::ScopedHandle mapping;
  const BridgeState* view = nullptr;
  shared::win32::ScopedHandle lock;
  DWORD pid = 0;
  shared::win32::ScopedHandle process;

  bool Open() {
    if (view) return true;
    mapping.reset(OpenFileMappingA(FILE_MAP_READ, FALSE, kBridgeSection));
    if (!mapping.valid()) return false;
    view = static_cast<const BridgeState*>(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(BridgeState)));
    lock.reset(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kBridgeLock));
    if (view && lock.valid()) return true;
    Close();
    return false;
  }
  void Close() {
    if (view) UnmapViewOfFile(view);
    *this = ClientSide{};
  }
  bool Alive(DWORD hostPid) {
    if (hostPid == pid && process.valid() && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) return true;
    // Another host, or the one we knew has ended and its number may now name a new one.
    process.reset(OpenProcess(SYNCHRONIZE, FALSE, hostPid));
    pid = hostPid;
    return process.valid() && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
  }
};

ClientSide g_client;

}  // namespace

bool ReadBridge(BridgeState& out, DWORD lockWaitMs) {
  std::memset(&out, 0, sizeof out);
  if (!g_client.Open()) return false;
  // Abandoned: the host ended while it held the section; what it holds is read, and the host found gone.
  const DWORD w = WaitForSingleObject(g_client.lock.get(), lockWaitMs);
  if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) return false;
  std::memcpy(&out, g_client.view, sizeof out);
  ReleaseMutex(g_client.lock.get());
  const bool ok = out.magic == kBridgeMagic && out.hostPid != 0 && g_client.Alive(out.hostPid);
  if (!ok) std::memset(&out, 0, sizeof out);
  return ok;
}

uint32_t HostWindowOfKind(const BridgeState& state, int kind) {
  if (kind < 0 || kind > 2) return 0;
  HWND h = HwndFromLong(state.windows[kind]);
  if (!h || !IsWindow(h)) return 0;
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return pid == state.hostPid ? state.windows[kind] : 0;
}

}  // namespace standin
