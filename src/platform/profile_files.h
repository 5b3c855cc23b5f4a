// The kernel32 private-profile functions, under the platform's own names.
#pragma once
#include <cstdint>
#include <string>

namespace apexer::platform {

class ProfileFiles {
 public:
  virtual ~ProfileFiles() = default;

  virtual std::uint32_t GetPrivateProfileIntA(const std::string& section, const std::string& key,
                                              int defaultValue, const std::string& file) = 0;
  // key == nullptr asks for the section's key names, NUL-separated.
  // Fills at most size - 1 characters and a NUL; returns the characters copied.
  virtual std::uint32_t GetPrivateProfileStringA(const std::string& section, const std::string* key,
                                                 const std::string& defaultValue, char* buffer,
                                                 std::uint32_t size, const std::string& file) = 0;
  virtual bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                          const std::string& value, const std::string& file) = 0;
};

}  // namespace apexer::platform
