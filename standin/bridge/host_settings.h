// The host's settings file: display settings the client changes, and the stand-in's test knobs.
#pragma once

#include <string>

#include "shared/host_faults.h"

namespace standin {

// Fixed like a real installation's; under Wine it lies inside the prefix.
inline constexpr const char* kHostIniPath = "C:\\Ionvane\\Ionvane.ini";

std::string IniString(const char* section, const char* key, const char* fallback = "");
int IniInt(const char* section, const char* key, int fallback);

// Knob sections.
inline constexpr const char* kSecStandin = "Standin";        // Journal, PrintFolder, OpenAtStart, Trace
inline constexpr const char* kSecDelays = "StandinDelays";   // milliseconds per action

using shared::HostFault;

// A fault of shared/host_faults.def as the settings file sets it now; fallback when it is absent.
int FaultInt(shared::HostFault fault, int fallback = 0);
std::string FaultText(shared::HostFault fault, const char* fallback = "");
// Journals "fault.unknown" for each key of the faults section the table does not name (once per key in
// a process), so that a misspelt fault does not pass as a run without it.
void ReportUnknownFaults(const char* source);

}  // namespace standin
