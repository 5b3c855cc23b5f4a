#include "win32/win32_profile_files.h"

#include "win32/win32_handles.h"

namespace apexer::win32 {

std::uint32_t Win32ProfileFiles::GetPrivateProfileIntA(const std::string& section, const std::string& key,
                                                       int defaultValue, const std::string& file) {
  return ::GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, file.c_str());
}

std::uint32_t Win32ProfileFiles::GetPrivateProfileStringA(const std::string& section, const std::string* key,
                                                          const std::string& defaultValue, char* buffer,
                                                          std::uint32_t size, const std::string& file) {
  return ::GetPrivateProfileStringA(section.c_str(), key == nullptr ? nullptr : key->c_str(),
                                    defaultValue.c_str(), buffer, size, file.c_str());
}

bool Win32ProfileFiles::WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                                   const std::string& value, const std::string& file) {
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

}  // namespace apexer::win32
