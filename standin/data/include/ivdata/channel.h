// Channel descriptions: which chromatogram of a sample to draw or integrate.
//
//   channel  := "TIC" | "BPI" | analog | masses           (case-insensitive; spaces around ignored)
//   analog   := a letter, then printable characters         (a trace name, e.g. "UV 254", "Pressure";
//               "ANALOG n" also selects trace n when no trace has that name)
//   masses   := term { "+" term }                           (sum of the terms' chromatograms)
//   term     := mass [ "~" tolerance ]                      (m/z window mass +/- tolerance; default 0.5)
//             | mass "_" mass                               (m/z window from low to high, inclusive)
//   mass     := digits [ "." digits ] | "." digits          (no sign, no exponent; 0 < mass <= 100000)
//   tolerance:= same form as mass, 0 < tolerance <= 1000
// Spaces are allowed around "+", "_" and "~". At most 16 terms, at most 255 characters.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace ivdata {

// Values are the host's trace kind codes.
enum class ChannelKind { Tic = 0, Mass = 1, MassSum = 2, Analog = 3, Bpi = 4 };

struct MassWindow {
  double low = 0;
  double high = 0;
};

constexpr int kMaxMassTerms = 16;
constexpr double kDefaultMassTolerance = 0.5;

struct Channel {
  ChannelKind kind = ChannelKind::Tic;
  std::vector<MassWindow> windows;  // Mass and MassSum: one window per term
  std::string traceName;            // Analog: the name as written (matched case-insensitively)
};

// Parses a description. On failure returns false and, when error is given, a one-line reason.
// Kind is MassSum when the text holds "+" or "_", Mass otherwise.
bool ParseChannel(std::string_view text, Channel& channel, std::string* error = nullptr);

// Syntax only (no sample needed): true for a description the grammar reads as an analog trace.
bool IsAnalogTraceDescription(std::string_view text);

// A short label for pages and printouts, e.g. "TIC", "m/z 301.1", "UV 254".
std::string ChannelLabel(const Channel& channel);

}  // namespace ivdata
