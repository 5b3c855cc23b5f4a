// The stand-in's texts and numbers as JSON values (nlohmann's, in insertion order), for every JSON it writes.
#pragma once
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace ivdata {

using Json = nlohmann::ordered_json;

// A text of the ANSI code page: each byte becomes the character of its value (U+0000 to U+00FF), so any bytes
// make valid JSON, and written ASCII-only (Json::dump with ensure_ascii) a byte >= 0x7F reads "\u00XX".
Json AnsiText(std::string_view text);
// The reverse, for readers: the bytes of a JSON string written by AnsiText; a character above U+00FF, which
// it never writes, reads as '?'.
std::string AnsiOf(const Json& text);

// The number to `digits` significant digits (0: the fewest that read back as the same double), in the shape
// "%g" gives it: a whole number is an integer, anything else a fraction; NaN and the infinities are null.
Json Number(double value, int digits = 0);

// One line of JSON Lines: ASCII only, compact, newline-terminated. Never throws on a text's bytes.
std::string JsonLine(const Json& value);

}  // namespace ivdata
