#include "host/channel_description.h"

#include "common/text.h"

namespace apexer {

Integer ParseChannelDescription(HostLibraries& host, const std::string& description, TraceDescriptor& trace) {
  // The library may rewrite the text in place; later steps see what it left.
  std::string copy = UpperAnsi(TrimSpaces(description));
  if (copy == "TIC") {
    trace.Kind = kTraceTic;
    return kTrue;
  }
  if (copy == "BPI") {
    trace.Kind = kTraceBpi;
    return kTrue;
  }
  if (host.DmRawIsAnalogTraceDesc(copy) != 0) {
    trace.Kind = kTraceAnalog;
    return kTrue;
  }
  Long count = 0;
  if (host.DmRawStrToMass(copy, trace.Masses, kMassAreaCapacity, count) > 0) {
    const bool joined = copy.find('_') != std::string::npos || copy.find('+') != std::string::npos;
    trace.Kind = joined ? kTraceMassListJoined : kTraceMassList;
    return kTrue;
  }
  return kFalse;
}

}  // namespace apexer
