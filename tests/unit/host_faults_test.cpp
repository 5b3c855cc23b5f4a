// The fault table both host doubles read: a settings file may spell a key in any case, as Windows compares
// keys, and a key the table does not name is not taken for one it does (the stand-in journals it as
// unknown instead of playing no fault in silence).
#include <gtest/gtest.h>

#include <string>

#include "shared/host_faults.h"

namespace shared {
void PrintTo(const HostFaultInfo& row, std::ostream* out) { *out << row.name; }
}  // namespace shared

namespace {

std::string Cased(std::string text, bool upper) {
  for (char& c : text) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

class FaultKey : public testing::TestWithParam<shared::HostFaultInfo> {};

TEST_P(FaultKey, IsFoundAsItsRowInAnyCase) {
  const std::string name = GetParam().name;
  for (const std::string& spelt : {name, Cased(name, false), Cased(name, true)}) {
    const shared::HostFaultInfo* found = shared::FindHostFault(spelt);
    ASSERT_NE(found, nullptr) << spelt;
    EXPECT_EQ(found->fault, GetParam().fault) << spelt;
  }
}

bool IsARowsName(const std::string& key) {
  for (const shared::HostFaultInfo& info : shared::kHostFaults) {
    if (key == info.name) return true;
  }
  return false;
}

TEST_P(FaultKey, ANearMissIsNotFound) {
  const std::string name = GetParam().name;
  std::string swapped = name;
  std::swap(swapped[swapped.size() - 1], swapped[swapped.size() - 2]);
  for (const std::string& miss : {name + "s", name.substr(0, name.size() - 1), name + " ", " " + name, swapped}) {
    if (IsARowsName(miss)) continue;  // another row's own name
    EXPECT_EQ(shared::FindHostFault(miss), nullptr) << "\"" << miss << "\"";
  }
}

INSTANTIATE_TEST_SUITE_P(Table, FaultKey, testing::ValuesIn(shared::kHostFaults),
                         [](const testing::TestParamInfo<shared::HostFaultInfo>& row) { return std::string(row.param.name); });

TEST(FaultKeys, NoKeyIsNoFault) { EXPECT_EQ(shared::FindHostFault(""), nullptr); }

}  // namespace
