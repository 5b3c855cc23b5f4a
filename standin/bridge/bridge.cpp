#include "bridge/bridge.h"

#include <cstring>

namespace standin {

bool BridgePublisher::Create() {
  lock_ = CreateMutexA(nullptr, FALSE, kBridgeLock);
  mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(BridgeState), kBridgeSection);
  if (!mapping_ || !lock_) return false;
  // One host at a time: a second one would take the first one's windows away from the client.
  BridgeState other;
  if (GetLastError() == ERROR_ALREADY_EXISTS && ReadBridge(other) && other.hostPid != GetCurrentProcessId()) {
    CloseHandle(mapping_);
    mapping_ = nullptr;
    return false;
  }
  state_ = static_cast<BridgeState*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(BridgeState)));
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
  if (mapping_) CloseHandle(mapping_);
  if (lock_) CloseHandle(lock_);
}

void BridgePublisher::Lock() { WaitForSingleObject(lock_, 2000); }
void BridgePublisher::Unlock() { ReleaseMutex(lock_); }

namespace {

bool ProcessAlive(DWORD pid) {
  HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!p) return false;
  bool alive = WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
  CloseHandle(p);
  return alive;
}

}  // namespace

bool ReadBridge(BridgeState& out) {
  std::memset(&out, 0, sizeof out);
  // Opened and closed on every read, so a host that has gone leaves nothing behind in the client.
  HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kBridgeSection);
  if (!mapping) return false;
  bool ok = false;
  if (auto* view = static_cast<const BridgeState*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(BridgeState)))) {
    HANDLE lock = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kBridgeLock);
    DWORD w = lock ? WaitForSingleObject(lock, 2000) : WAIT_FAILED;
    std::memcpy(&out, view, sizeof out);
    if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) ReleaseMutex(lock);
    if (lock) CloseHandle(lock);
    UnmapViewOfFile(view);
    ok = out.magic == kBridgeMagic && out.hostPid != 0 && ProcessAlive(out.hostPid);
  }
  CloseHandle(mapping);
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
