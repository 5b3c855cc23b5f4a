// The host's current file of a type, as the host bridge reports it.
#pragma once
#include <string>

#include "platform/host_libraries.h"

namespace apexer {

// The host fills spec; true only when the bridge answers exactly 1.
Integer GetCurrentFileSpec(HostLibraries& host, const std::string& fileType, FileSpecRecord& spec);
// FileName of the current file up to its first NUL; empty when the host has none.
std::string GetCurrentRawFileName(HostLibraries& host, const std::string& fileType);

FileSpecRecord BlankFileSpecRecord();

}  // namespace apexer
