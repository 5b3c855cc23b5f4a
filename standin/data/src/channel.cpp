#include "ivdata/channel.h"

#include <charconv>
#include <cstdio>

#include "ivdata/text.h"

namespace ivdata {

namespace {

constexpr std::size_t kMaxLength = 255;
constexpr double kMaxMass = 100000;
constexpr double kMaxTolerance = 1000;

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  void SkipSpaces() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void Next() { ++pos_; }
  std::size_t Pos() const { return pos_; }

  // digits [ "." digits ] | "." digits
  bool Number(double& value) {
    const std::size_t start = pos_;
    std::size_t whole = 0, fraction = 0;
    while (!AtEnd() && IsDigit(Peek())) { Next(); ++whole; }
    bool point = false;
    if (Peek() == '.') {
      point = true;
      Next();
      while (!AtEnd() && IsDigit(Peek())) { Next(); ++fraction; }
    }
    if ((whole == 0 && fraction == 0) || (point && fraction == 0)) {
      pos_ = start;
      return false;
    }
    const auto r = std::from_chars(text_.data() + start, text_.data() + pos_, value);
    return r.ec == std::errc() && r.ptr == text_.data() + pos_;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

}  // namespace

bool IsAnalogTraceDescription(std::string_view text) {
  const std::string_view t = TrimSpaces(text);
  if (t.empty() || t.size() > kMaxLength || !IsAsciiLetter(t.front())) return false;
  if (EqualsNoCase(t, "TIC") || EqualsNoCase(t, "BPI")) return false;
  for (char c : t) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

bool ParseChannel(std::string_view text, Channel& channel, std::string* error) {
  const std::string_view t = TrimSpaces(text);
  if (t.empty()) return Fail(error, "empty channel description");
  if (t.size() > kMaxLength) return Fail(error, "channel description longer than 255 characters");
  Channel result;
  if (EqualsNoCase(t, "TIC")) {
    result.kind = ChannelKind::Tic;
  } else if (EqualsNoCase(t, "BPI")) {
    result.kind = ChannelKind::Bpi;
  } else if (IsAsciiLetter(t.front())) {
    if (!IsAnalogTraceDescription(t)) return Fail(error, "trace name holds a character that is not printable");
    result.kind = ChannelKind::Analog;
    result.traceName = std::string(t);
  } else {
    Reader in(t);
    bool sum = false;
    for (;;) {
      in.SkipSpaces();
      double low = 0;
      if (!in.Number(low)) {
        return Fail(error, "expected a mass at position " + std::to_string(in.Pos() + 1) + " of \"" + std::string(t) + "\"");
      }
      if (!(low > 0 && low <= kMaxMass)) return Fail(error, "mass out of range (0 to 100000): " + std::string(t));
      in.SkipSpaces();
      MassWindow w{low - kDefaultMassTolerance, low + kDefaultMassTolerance};
      if (in.Peek() == '_') {
        in.Next();
        in.SkipSpaces();
        double high = 0;
        if (!in.Number(high)) return Fail(error, "expected the upper mass of a range in \"" + std::string(t) + "\"");
        if (!(high > 0 && high <= kMaxMass)) return Fail(error, "mass out of range (0 to 100000): " + std::string(t));
        if (high < low) return Fail(error, "mass range runs backwards in \"" + std::string(t) + "\"");
        w = {low, high};
        sum = true;
        in.SkipSpaces();
      } else if (in.Peek() == '~') {
        in.Next();
        in.SkipSpaces();
        double tol = 0;
        if (!in.Number(tol)) return Fail(error, "expected a tolerance after \"~\" in \"" + std::string(t) + "\"");
        if (!(tol > 0 && tol <= kMaxTolerance)) return Fail(error, "tolerance out of range (0 to 1000): " + std::string(t));
        w = {low - tol, low + tol};
        in.SkipSpaces();
      }
      if (w.low < 0) w.low = 0;
      result.windows.push_back(w);
      if (static_cast<int>(result.windows.size()) > kMaxMassTerms) {
        return Fail(error, "more than 16 masses in \"" + std::string(t) + "\"");
      }
      if (in.AtEnd()) break;
      if (in.Peek() != '+') {
        return Fail(error, std::string("unexpected \"") + in.Peek() + "\" at position " + std::to_string(in.Pos() + 1) +
                               " of \"" + std::string(t) + "\"");
      }
      in.Next();
      sum = true;
    }
    result.kind = sum ? ChannelKind::MassSum : ChannelKind::Mass;
  }
  channel = std::move(result);
  return true;
}

std::string ChannelLabel(const Channel& channel) {
  switch (channel.kind) {
    case ChannelKind::Tic: return "TIC";
    case ChannelKind::Bpi: return "BPI";
    case ChannelKind::Analog: return channel.traceName;
    case ChannelKind::Mass:
    case ChannelKind::MassSum: break;
  }
  std::string label = "m/z ";
  for (std::size_t i = 0; i < channel.windows.size(); ++i) {
    const MassWindow& w = channel.windows[i];
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6g-%.6g", w.low, w.high);
    if (i > 0) label += " + ";
    label += buffer;
  }
  return label;
}

}  // namespace ivdata
