// Settings files in memory, with the private-profile semantics measured on the real functions.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/profile_files.h"

namespace apexer::fakes {

class FakeProfileFiles : public platform::ProfileFiles {
 public:
  void SetText(const std::string& file, const std::string& text);
  // The file as it would stand on disk; empty when it does not exist.
  std::string Text(const std::string& file) const;
  bool Exists(const std::string& file) const;
  void SetUnwritable(const std::string& file) { unwritable_.insert(Key(file)); }
  // The raw value as written, or nullopt-like "absent" flag.
  bool HasKey(const std::string& file, const std::string& section, const std::string& key) const;
  std::string RawValue(const std::string& file, const std::string& section, const std::string& key) const;

  std::uint32_t GetPrivateProfileIntA(const std::string& section, const std::string& key, int defaultValue,
                                      const std::string& file) override;
  std::uint32_t GetPrivateProfileStringA(const std::string& section, const std::string* key,
                                         const std::string& defaultValue, char* buffer, std::uint32_t size,
                                         const std::string& file) override;
  bool WritePrivateProfileStringA(const std::string& section, const std::string& key, const std::string& value,
                                  const std::string& file) override;

  std::vector<std::string> writes;  // "file|section|key=value", in order
  std::vector<std::string>* journal = nullptr;  // "write section/key=value", "read section/key=value"

 private:
  struct Line {
    std::string key;  // empty with hasEquals false: a line that is not a key
    std::string value;
    bool hasEquals = false;
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };
  using File = std::vector<Section>;

  static std::string Key(const std::string& path);
  const Line* FindLine(const std::string& file, const std::string& section, const std::string& key) const;

  std::map<std::string, File> files_;
  std::set<std::string> unwritable_;
};

}  // namespace apexer::fakes
