// The faults the host doubles can play, by the names of shared/host_faults.def, for both products' doubles.
#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

#include "shared/cp1252.h"

namespace shared {

// What a fault's value is. In a settings file every kind is text; absent means the fault is not played.
enum class FaultKind {
  Flag,    // 1 plays it
  Number,  // a count, index or control id from 1; 0 does not play it
  Count,   // a count that may be 0
  Scans,   // apex scans separated by commas: "1, 2.5, 900"
  Mode,    // a word the row's meaning names
  Text,    // any text, such as a window title; empty does not play it
};

enum class HostFault {
#define HOST_FAULT(name, kind, meaning) name,
#include "shared/host_faults.def"
#undef HOST_FAULT
};

struct HostFaultInfo {
  HostFault fault;
  const char* name;
  FaultKind kind;
  const char* meaning;
};

inline constexpr HostFaultInfo kHostFaults[] = {
#define HOST_FAULT(name, kind, meaning) {HostFault::name, #name, FaultKind::kind, meaning},
#include "shared/host_faults.def"
#undef HOST_FAULT
};

// The stand-in host's settings section that holds them.
inline constexpr const char* kHostFaultSection = "StandinFaults";

constexpr bool RowsStandInTheOrderOfHostFault() {
  for (std::size_t i = 0; i < std::size(kHostFaults); ++i) {
    if (static_cast<std::size_t>(kHostFaults[i].fault) != i) return false;
  }
  return true;
}
static_assert(RowsStandInTheOrderOfHostFault(), "FaultInfo finds a fault's row by its number");

constexpr const HostFaultInfo& FaultInfo(HostFault fault) { return kHostFaults[static_cast<std::size_t>(fault)]; }
constexpr const char* FaultName(HostFault fault) { return FaultInfo(fault).name; }

// The row of a key as a settings file spells it (keys compare without case, as Windows compares them).
constexpr const HostFaultInfo* FindHostFault(std::string_view key) {
  for (const HostFaultInfo& info : kHostFaults) {
    if (EqualsNoCaseCp1252(info.name, key)) return &info;
  }
  return nullptr;
}

}  // namespace shared
