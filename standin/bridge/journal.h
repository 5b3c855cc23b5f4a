// One JSON line per action, appended by the host and the libraries to the file named in the host settings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace standin {

class JsonFields {
 public:
  JsonFields& Str(std::string_view key, std::string_view value);
  JsonFields& Int(std::string_view key, int64_t value);
  JsonFields& Num(std::string_view key, double value);
  JsonFields& Bool(std::string_view key, bool value);
  // value must already be valid JSON (an array or object built by the caller).
  JsonFields& Raw(std::string_view key, std::string_view json);
  const std::string& Body() const { return body_; }

 private:
  void Key(std::string_view key);
  std::string body_;
};

std::string JsonQuote(std::string_view text);

// Appends {"t":..., "pid":..., "src":source, "ev":event, ...fields}. Never fails the caller's action.
void Journal(const char* source, const char* event, const JsonFields& fields = JsonFields());

}  // namespace standin
