// The host's settings file: display settings the client changes, and the stand-in's test knobs.
#pragma once

#include <string>

namespace standin {

// Fixed like a real installation's; under Wine it lies inside the prefix.
inline constexpr const char* kHostIniPath = "C:\\Ionvane\\Ionvane.ini";

std::string IniString(const char* section, const char* key, const char* fallback = "");
int IniInt(const char* section, const char* key, int fallback);

// Knob sections.
inline constexpr const char* kSecStandin = "Standin";        // Journal, PrintFolder, OpenAtStart, Trace
inline constexpr const char* kSecDelays = "StandinDelays";   // milliseconds per action
inline constexpr const char* kSecFaults = "StandinFaults";

}  // namespace standin
