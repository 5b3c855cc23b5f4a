// The private-profile functions of the real kernel32.
#pragma once
#include "platform/profile_files.h"

namespace apexer::win32 {

class Win32ProfileFiles : public platform::ProfileFiles {
 public:
  std::uint32_t GetPrivateProfileIntA(const std::string& section, const std::string& key, int defaultValue,
                                      const std::string& file) override;
  std::uint32_t GetPrivateProfileStringA(const std::string& section, const std::string* key,
                                         const std::string& defaultValue, char* buffer, std::uint32_t size,
                                         const std::string& file) override;
  bool WritePrivateProfileStringA(const std::string& section, const std::string& key, const std::string& value,
                                  const std::string& file) override;
};

}  // namespace apexer::win32
