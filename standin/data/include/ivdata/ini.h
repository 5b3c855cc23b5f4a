// Settings files with the private-profile rules the host relies on, readable on every platform.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ivdata {

// Section and key names match case-insensitively, ignoring surrounding spaces; values are trimmed and
// one pair of matching quotes is stripped. The first occurrence of a section or key wins.
class IniFile {
 public:
  static IniFile Load(const std::string& path);  // an absent or unreadable file is empty
  static IniFile Parse(std::string_view text);

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  std::vector<std::string> Keys(std::string_view section) const;

  // Sets or adds a key (adding the section at the end if needed); other lines stay as they were.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  std::string Text() const;
  void Save(const std::string& path) const;  // throws Error

 private:
  std::vector<std::string> lines_;
};

// Whole-number reading as the profile functions do it: leading spaces, sign, decimal or 0x hex digits
// up to the first other character ("12abc" is 12, "abc" is 0). nullopt for an empty value.
std::optional<long long> ProfileInt(std::string_view value);

}  // namespace ivdata
