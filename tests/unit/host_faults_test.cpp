// The fault table both host doubles read: its keys are found as a settings file may spell them.
#include <gtest/gtest.h>

#include <string>

#include "shared/host_faults.h"

namespace {

TEST(HostFaults, EveryKeyIsFoundInAnyCaseAndNoOtherIs) {
  for (const shared::HostFaultInfo& info : shared::kHostFaults) {
    std::string lower = info.name;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    ASSERT_NE(shared::FindHostFault(lower), nullptr) << lower;
    EXPECT_EQ(shared::FindHostFault(lower)->fault, info.fault) << lower;
    EXPECT_EQ(&shared::FaultInfo(info.fault), &info) << "the rows stand in the order of HostFault";
  }
  EXPECT_EQ(shared::FindHostFault("IntegratorFial"), nullptr);
  EXPECT_EQ(shared::FindHostFault("DialogNeverOpens "), nullptr);
  EXPECT_EQ(shared::FindHostFault(""), nullptr);
}

}  // namespace
