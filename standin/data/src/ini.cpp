#include "ivdata/ini.h"

#include <fstream>
#include <sstream>

#include "file_io.h"
#include "ivdata/error.h"
#include "ivdata/text.h"

namespace ivdata {

namespace {

// Section name of a "[name]" line, or nullopt for other lines.
std::optional<std::string_view> SectionOf(std::string_view line) {
  const std::string_view t = TrimBlanks(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  const std::size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return TrimBlanks(t.substr(1, close - 1));
}

// Key of a "key=value" line (trimmed), and the raw value after "=".
bool KeyValueOf(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = TrimBlanks(line.substr(0, eq));
  value = line.substr(eq + 1);
  return true;
}

std::string CleanValue(std::string_view raw) {
  std::string_view v = TrimBlanks(raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  return std::string(v);
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ini.lines_.emplace_back(line);
    start = end + 1;
  }
  return ini;
}

IniFile IniFile::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return IniFile();
  std::ostringstream text;
  text << in.rdbuf();
  return Parse(text.str());
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const std::string_view wantSection = TrimBlanks(section);
  const std::string_view wantKey = TrimBlanks(key);
  bool inSection = false;
  bool seenSection = false;
  for (const std::string& line : lines_) {
    if (const auto s = SectionOf(line)) {
      if (seenSection && inSection) break;  // only the first such section counts
      inSection = EqualsNoCase(*s, wantSection);
      seenSection = seenSection || inSection;
      continue;
    }
    std::string_view k, v;
    if (inSection && KeyValueOf(line, k, v) && EqualsNoCase(k, wantKey)) return CleanValue(v);
  }
  return std::nullopt;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  bool inSection = false;
  bool seenSection = false;
  for (const std::string& line : lines_) {
    if (const auto s = SectionOf(line)) {
      if (seenSection && inSection) break;
      inSection = EqualsNoCase(*s, TrimBlanks(section));
      seenSection = seenSection || inSection;
      continue;
    }
    std::string_view k, v;
    if (inSection && KeyValueOf(line, k, v)) keys.emplace_back(k);
  }
  return keys;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view wantSection = TrimBlanks(section);
  const std::string_view wantKey = TrimBlanks(key);
  std::size_t insertAt = lines_.size();
  bool found = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (const auto s = SectionOf(lines_[i])) {
      if (found) break;
      if (EqualsNoCase(*s, wantSection)) {
        found = true;
        insertAt = i + 1;
      }
      continue;
    }
    if (!found) continue;
    std::string_view k, v;
    if (KeyValueOf(lines_[i], k, v) && EqualsNoCase(k, wantKey)) {
      lines_[i] = std::string(k) + "=" + std::string(value);
      return;
    }
    if (!TrimBlanks(lines_[i]).empty()) insertAt = i + 1;
  }
  const std::string entry = std::string(wantKey) + "=" + std::string(value);
  if (found) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    return;
  }
  while (!lines_.empty() && TrimBlanks(lines_.back()).empty()) lines_.pop_back();
  if (!lines_.empty()) lines_.emplace_back();
  lines_.push_back("[" + std::string(wantSection) + "]");
  lines_.push_back(entry);
}

std::string IniFile::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void IniFile::Save(const std::string& path) const { detail::WriteWholeFile(path, Text()); }

std::optional<long long> ProfileInt(std::string_view value) {
  std::string_view v = TrimBlanks(value);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  if (v.empty()) return std::nullopt;
  std::size_t i = 0;
  while (i < v.size() && v[i] == ' ') ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  int base = 10;
  if (i + 1 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  long long result = 0;
  for (; i < v.size(); ++i) {
    int digit;
    const char c = v[i];
    if (IsDigit(c)) digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    if (result > (1ll << 40)) break;  // far beyond any setting; stop before overflow
    result = result * base + digit;
  }
  return negative ? -result : result;
}

}  // namespace ivdata
