#include "fakes/fake_profile_files.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "common/text.h"

namespace apexer::fakes {
namespace {

std::string TrimBlanks(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::string StripQuotes(const std::string& s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
    return s.substr(1, s.size() - 2);
  }
  return s;
}

std::uint32_t CopyOut(const std::string& text, char* buffer, std::uint32_t size) {
  if (size == 0) return 0;
  const std::uint32_t n = std::min<std::uint32_t>(static_cast<std::uint32_t>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

}  // namespace

std::string FakeProfileFiles::Key(const std::string& path) { return UpperAnsi(path); }

void FakeProfileFiles::SetText(const std::string& file, const std::string& text) {
  File parsed;
  std::istringstream in(text);
  std::string raw;
  while (std::getline(in, raw)) {
    const std::string line = TrimBlanks(raw);
    if (line.size() >= 2 && line.front() == '[') {
      const auto close = line.find(']');
      parsed.push_back({TrimBlanks(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
      continue;
    }
    if (parsed.empty()) parsed.push_back({"", {}});  // lines before any section are kept but unreachable
    const auto eq = line.find('=');
    if (eq == std::string::npos) parsed.back().lines.push_back({line, "", false});
    else parsed.back().lines.push_back({TrimBlanks(line.substr(0, eq)), line.substr(eq + 1), true});
  }
  files_[Key(file)] = std::move(parsed);
}

std::string FakeProfileFiles::Text(const std::string& file) const {
  auto it = files_.find(Key(file));
  if (it == files_.end()) return {};
  std::string out;
  for (const Section& s : it->second) {
    out += "[" + s.name + "]\n";
    for (const Line& l : s.lines) out += l.hasEquals ? l.key + "=" + l.value + "\n" : l.key + "\n";
  }
  return out;
}

bool FakeProfileFiles::Exists(const std::string& file) const { return files_.count(Key(file)) != 0; }

const FakeProfileFiles::Line* FakeProfileFiles::FindLine(const std::string& file, const std::string& section,
                                                         const std::string& key) const {
  auto it = files_.find(Key(file));
  if (it == files_.end()) return nullptr;
  for (const Section& s : it->second) {
    if (!EqualsNoCase(s.name, TrimBlanks(section))) continue;
    for (const Line& l : s.lines) {
      if (l.hasEquals && EqualsNoCase(l.key, TrimBlanks(key))) return &l;
    }
  }
  return nullptr;
}

bool FakeProfileFiles::HasKey(const std::string& file, const std::string& section, const std::string& key) const {
  return FindLine(file, section, key) != nullptr;
}

std::string FakeProfileFiles::RawValue(const std::string& file, const std::string& section,
                                       const std::string& key) const {
  const Line* l = FindLine(file, section, key);
  return l == nullptr ? std::string() : l->value;
}

std::uint32_t FakeProfileFiles::GetPrivateProfileIntA(const std::string& section, const std::string& key,
                                                      int defaultValue, const std::string& file) {
  const Line* l = FindLine(file, section, key);
  if (l == nullptr) return static_cast<std::uint32_t>(defaultValue);
  const std::string v = StripQuotes(TrimBlanks(l->value));
  if (v.empty()) return static_cast<std::uint32_t>(defaultValue);
  std::size_t i = 0;
  bool negative = false;
  if (v[i] == '+' || v[i] == '-') negative = v[i++] == '-';
  int base = 10;
  if (i + 1 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  std::uint32_t value = 0;
  for (; i < v.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(v[i]);
    int d = -1;
    if (std::isdigit(c)) d = c - '0';
    else if (base == 16 && std::isxdigit(c)) d = std::toupper(c) - 'A' + 10;
    if (d < 0) break;
    value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(d);
  }
  return negative ? 0u - value : value;
}

std::uint32_t FakeProfileFiles::GetPrivateProfileStringA(const std::string& section, const std::string* key,
                                                         const std::string& defaultValue, char* buffer,
                                                         std::uint32_t size, const std::string& file) {
  if (key == nullptr) {
    std::string names;
    auto it = files_.find(Key(file));
    if (it != files_.end()) {
      for (const Section& s : it->second) {
        if (!EqualsNoCase(s.name, TrimBlanks(section))) continue;
        for (const Line& l : s.lines) {
          if (l.hasEquals) names += l.key + '\0';
        }
      }
    }
    if (size < 2) return 0;
    if (names.size() + 1 > size) {  // cut, still double-NUL terminated
      std::memcpy(buffer, names.data(), size - 2);
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer, names.data(), names.size());
    buffer[names.size()] = '\0';
    return static_cast<std::uint32_t>(names.empty() ? 0 : names.size());
  }
  const Line* l = FindLine(file, section, *key);
  const std::uint32_t n = CopyOut(l == nullptr ? TrimBlanks(defaultValue) : StripQuotes(TrimBlanks(l->value)), buffer,
                                  size);
  if (journal != nullptr) journal->push_back("read " + section + "/" + *key + "=" + (n > 0 ? std::string(buffer, n) : ""));
  return n;
}

bool FakeProfileFiles::WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                                  const std::string& value, const std::string& file) {
  if (unwritable_.count(Key(file)) != 0) return false;
  writes.push_back(file + "|" + section + "|" + key + "=" + value);
  if (journal != nullptr) journal->push_back("write " + section + "/" + key + "=" + value);
  File& f = files_[Key(file)];
  auto s = std::find_if(f.begin(), f.end(), [&](const Section& x) { return EqualsNoCase(x.name, section); });
  if (s == f.end()) {
    f.push_back({section, {}});
    s = f.end() - 1;
  }
  for (Line& l : s->lines) {
    if (l.hasEquals && EqualsNoCase(l.key, key)) {
      l.value = value;
      return true;
    }
  }
  s->lines.push_back({key, value, true});
  return true;
}

}  // namespace apexer::fakes
