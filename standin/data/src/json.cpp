#include "ivdata/json.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "ivdata/text.h"

namespace ivdata {

Json AnsiText(std::string_view text) {
  std::string utf8;
  utf8.reserve(text.size());
  for (const unsigned char c : text) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

std::string AnsiOf(const Json& text) {
  const std::string& utf8 = text.get_ref<const std::string&>();
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else if (c >= 0xC0) {
      out += '?';  // the lead byte of a longer character; its continuation bytes are skipped
    }
  }
  return out;
}

Json Number(double value, int digits) {
  if (!std::isfinite(value)) return nullptr;
  char buffer[40];
  if (digits > 0) std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
  const std::string text = digits > 0 ? std::string(buffer) : NumberText(value);
  const char* const end = text.data() + text.size();
  if (text.find_first_of(".e") == std::string::npos) {
    std::int64_t whole = 0;
    if (std::from_chars(text.data(), end, whole).ec == std::errc()) return whole;
  }
  double rounded = value;
  std::from_chars(text.data(), end, rounded);
  return rounded;
}

std::string JsonLine(const Json& value) {
  return value.dump(-1, ' ', true, Json::error_handler_t::replace) + "\n";
}

}  // namespace ivdata
