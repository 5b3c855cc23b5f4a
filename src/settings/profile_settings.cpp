#include "settings/profile_settings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "common/text.h"

namespace apexer {

Integer ReadProfileInt(platform::ProfileFiles& files, const std::string& section, const std::string& key,
                       const std::string& file) {
  // The platform hands back an unsigned value; "-5" comes back as its two's complement.
  const auto value = static_cast<Long>(files.GetPrivateProfileIntA(section, key, 0, file));
  return static_cast<Integer>(std::clamp<Long>(value, std::numeric_limits<Integer>::min(),
                                               std::numeric_limits<Integer>::max()));
}

std::string ReadProfileString(platform::ProfileFiles& files, const std::string& section,
                              const std::string& key, const std::string& file) {
  std::string buffer(kProfileBufferSize, ' ');
  const std::uint32_t n =
      key.empty() ? files.GetPrivateProfileStringA(section, nullptr, "", buffer.data(), kProfileBufferSize, file)
                  : files.GetPrivateProfileStringA(section, &key, "", buffer.data(), kProfileBufferSize, file);
  if (n == 0) return {};
  return buffer.substr(0, std::min<std::size_t>(n, buffer.size()));
}

void WriteProfileString(platform::ProfileFiles& files, const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
  (void)files.WritePrivateProfileStringA(section, key, value, file);
}

Integer FindSeparators(const std::string& text, char separator, std::vector<int>& positions) {
  if (text.empty()) return 0;
  Integer count = 0;
  std::size_t last = 0;
  while (count < std::numeric_limits<Integer>::max()) {
    const std::size_t found = text.find(separator, last);
    if (found == std::string::npos) break;
    positions.resize(static_cast<std::size_t>(count) + 1);
    positions[static_cast<std::size_t>(count)] = static_cast<int>(found) + 1;
    last = found + 1;
    ++count;
  }
  return count;
}

std::string GetSeparatedField(const std::string& text, Integer n, const std::vector<int>& positions) {
  if (positions.empty()) return n == 1 ? text : std::string();
  const long long fields = static_cast<long long>(positions.size()) + 1;
  const long long length = static_cast<long long>(text.size());
  if (n > fields || n <= 0 || positions.back() >= length) return {};

  // Mid$ with guards: positions that do not belong to this text give an empty field, never a fault.
  auto mid = [&text](long long start1, long long count) -> std::string {
    if (start1 < 1 || count <= 0 || start1 > static_cast<long long>(text.size())) return {};
    return text.substr(static_cast<std::size_t>(start1 - 1), static_cast<std::size_t>(count));
  };
  const auto at = [&positions](long long index) { return static_cast<long long>(positions[static_cast<std::size_t>(index)]); };
  if (n == 1) return mid(1, at(0) - 1);
  if (n == fields) return mid(at(fields - 2) + 1, length - at(fields - 2));
  return mid(at(n - 2) + 1, at(n - 1) - at(n - 2) - 1);
}

namespace {

// "&H" and "&O" literals: up to 16 bits they are Integers, up to 32 bits Longs, as the classic Val reads them.
double ReadRadixLiteral(const std::string& digits, int radix) {
  unsigned long long value = 0;
  bool any = false;
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (radix == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (radix == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0 || d >= radix) break;
    any = true;
    value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFull) return std::numeric_limits<double>::infinity();  // cannot be a Long
  }
  if (!any) return 0;
  if (value <= 0xFFFFull) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace

double ReadNumberField(const std::string& field) {
  std::string s;
  for (char c : field) {
    if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);
  }
  if (s.size() >= 2 && s[0] == '&') {
    const char r = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
    if (r == 'H') return ReadRadixLiteral(s.substr(2), 16);
    if (r == 'O') return ReadRadixLiteral(s.substr(2), 8);
  }
  // Longest prefix of the form [sign] digits [. digits] [E|D [sign] digits].
  std::size_t i = 0;
  std::string number;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) number.push_back(s[i++]);
  bool digits = false;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) { number.push_back(s[i++]); digits = true; }
  if (i < s.size() && s[i] == '.') {
    number.push_back(s[i++]);
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) { number.push_back(s[i++]); digits = true; }
  }
  if (!digits) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
    bool expDigits = false;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) { exponent.push_back(s[j++]); expDigits = true; }
    if (expDigits) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

void ReadWindowPlacement(platform::ProfileFiles& files, const std::string& section, std::string key,
                         const std::string& file, WindowRect& rect) {
  if (key.empty()) key = "Window";
  const std::string value = ReadProfileString(files, section, key, file);
  std::vector<int> positions;
  if (FindSeparators(value, ',', positions) != 3) return;

  // A number that cannot be a Long spoils the whole value, as any other unusable value does.
  std::array<Long, 4> fields{};
  for (Integer i = 1; i <= 4; ++i) {
    const auto n = RoundToLong(ReadNumberField(GetSeparatedField(value, i, positions)));
    if (!n) return;
    fields[static_cast<std::size_t>(i - 1)] = *n;
  }
  rect.Left = fields[0];
  rect.Top = fields[1];
  rect.Width = fields[2];
  rect.Height = fields[3];
}

void WriteWindowPlacement(platform::ProfileFiles& files, const std::string& section, std::string key,
                          const std::string& file, const WindowRect& rect) {
  if (key.empty()) key = "Window";
  const std::string value = DecimalText(rect.Left) + "," + DecimalText(rect.Top) + "," +
                            DecimalText(rect.Width) + "," + DecimalText(rect.Height);
  WriteProfileString(files, section, key, value, file);
}

}  // namespace apexer
