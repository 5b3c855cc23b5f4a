// Turning the user's channel description ("TIC", "BPI", an analog trace, a mass list) into a trace descriptor.
#pragma once
#include <string>

#include "platform/host_libraries.h"

namespace apexer {

constexpr Integer kMassAreaCapacity = 33;

// -1 when trace now describes a channel; 0 otherwise, with Kind left as the caller set it.
Integer ParseChannelDescription(HostLibraries& host, const std::string& description, TraceDescriptor& trace);

}  // namespace apexer
