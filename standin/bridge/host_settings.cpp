#include "bridge/host_settings.h"

#include <windows.h>

namespace standin {

std::string IniString(const char* section, const char* key, const char* fallback) {
  char buf[1024];
  DWORD n = GetPrivateProfileStringA(section, key, fallback, buf, sizeof buf, kHostIniPath);
  return std::string(buf, n);
}

int IniInt(const char* section, const char* key, int fallback) {
  return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, kHostIniPath));
}

}  // namespace standin
