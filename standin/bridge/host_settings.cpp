#include "bridge/host_settings.h"

#include <windows.h>

#include <cstring>
#include <set>

#include "bridge/journal.h"

namespace standin {

std::string IniString(const char* section, const char* key, const char* fallback) {
  char buf[1024];
  DWORD n = GetPrivateProfileStringA(section, key, fallback, buf, sizeof buf, kHostIniPath);
  return std::string(buf, n);
}

int IniInt(const char* section, const char* key, int fallback) {
  return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, kHostIniPath));
}

int FaultInt(shared::HostFault fault, int fallback) {
  return IniInt(shared::kHostFaultSection, shared::FaultName(fault), fallback);
}

std::string FaultText(shared::HostFault fault, const char* fallback) {
  return IniString(shared::kHostFaultSection, shared::FaultName(fault), fallback);
}

void ReportUnknownFaults(const char* source) {
  static std::set<std::string> reported;  // the host and the libraries call it from one thread each
  // The key names, each ended by a NUL, the list by a second one.
  char keys[4096];
  const DWORD n = GetPrivateProfileStringA(shared::kHostFaultSection, nullptr, "", keys, sizeof keys, kHostIniPath);
  for (const char* key = keys; key < keys + n && *key != '\0'; key += std::strlen(key) + 1) {
    if (shared::FindHostFault(key) != nullptr || !reported.insert(key).second) continue;
    Journal(source, "fault.unknown", JsonFields().Str("section", shared::kHostFaultSection).Str("key", key));
  }
}

}  // namespace standin
