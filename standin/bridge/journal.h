// One JSON line per action, appended by the host and the libraries to the file named in the host settings.
#pragma once

#include <cstdint>
#include <string_view>

#include "ivdata/json.h"

namespace standin {

// The fields of one line, in the order they are added. Texts are in the ANSI code page: each byte >= 0x7F is
// written "\u00XX" (ivdata::AnsiText), so a line is ASCII and any window text keeps the line valid.
class JsonFields {
 public:
  JsonFields& Str(std::string_view key, std::string_view value);
  JsonFields& Int(std::string_view key, int64_t value);
  JsonFields& Num(std::string_view key, double value);  // 9 significant digits; a whole number stays an integer
  JsonFields& Bool(std::string_view key, bool value);
  // An array or object built by the caller (its texts through ivdata::AnsiText, its numbers ivdata::Number).
  JsonFields& Value(std::string_view key, ivdata::Json value);
  const ivdata::Json& Fields() const { return fields_; }

 private:
  ivdata::Json fields_ = ivdata::Json::object();
};

// Appends {"t":..., "tq":..., "pid":..., "src":source, "ev":event, ...fields}. Never fails the caller's action.
void Journal(const char* source, const char* event, const JsonFields& fields = JsonFields());

}  // namespace standin
