// The raw-data side shared by ivraw32 and ivpeak32: the sample a RawFileRecord names, kept open until
// DmRawClose, and the analog trace name the raw library last recognised.
#pragma once

#include <string>

#include "ivdata/ivdata.h"
#include "libs/records.h"

namespace standin {

// Location + FileName of the record.
std::string RawFilePath(const RawFile& raw);

// Opens (or reuses) the named sample in this library; nullptr when it cannot be read (error says why).
const ivdata::Sample* OpenRawFile(const RawFile& raw, std::string& error);
bool CloseRawFile();
// The sample this library has open, or nullptr.
const ivdata::Sample* CurrentRawFile();

// Both libraries live in the client's process; the trace record has no room for an analog trace's
// name, so the raw library leaves it in the process environment for the integrator.
inline constexpr const char* kAnalogTraceVariable = "STANDIN_LAST_ANALOG_TRACE";

}  // namespace standin
