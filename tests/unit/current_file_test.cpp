#include "host/current_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fakes/rig.h"

namespace apexer {
namespace {

// A bridge whose GetGlobalFile answer and filled record the test chooses.
class FileBridge : public fakes::ScriptedHost {
 public:
  using ScriptedHost::ScriptedHost;
  Integer GetGlobalFile(std::string& list, std::string& type, FileSpecRecord& blank, FileSpecRecord& out) override {
    ScriptedHost::GetGlobalFile(list, type, blank, out);
    std::memcpy(out.FileName, fileName, sizeof fileName);
    out.ScanCount = 77;
    return answer;
  }
  Integer answer = 1;
  char fileName[256]{};
};

class CurrentFile : public ::testing::Test {
 protected:
  fakes::Rig rig;
  FileBridge bridge{rig.world, rig.desktop, rig.profiles, rig.memory, fakes::HostScript{}, rig.journal};
};

TEST_F(CurrentFile, TheBlankRecordReachesTheHostFilledWithSpaces) {
  FileSpecRecord spec{};
  EXPECT_EQ(GetCurrentFileSpec(bridge, "RAW", spec), kTrue);
  EXPECT_EQ(bridge.blankSeen, std::string(260 + 256 + 256, ' '));
  EXPECT_EQ(rig.Lines({"GetGlobalFile"}), std::vector<std::string>{"GetGlobalFile SystemList RAW"});
  EXPECT_EQ(spec.ScanCount, 77);  // the host's changes reach the caller
}

TEST_F(CurrentFile, OnlyTheAnswerOneIsSuccess) {
  std::strcpy(bridge.fileName, "SAMPLE");
  for (Integer answer : {Integer{0}, Integer{2}, Integer{-1}}) {
    bridge.answer = answer;
    FileSpecRecord spec{};
    EXPECT_EQ(GetCurrentFileSpec(bridge, "RAW", spec), kFalse) << answer;
    EXPECT_EQ(GetCurrentRawFileName(bridge, "RAW"), "") << answer;
  }
  bridge.answer = 1;
  EXPECT_EQ(GetCurrentRawFileName(bridge, "RAW"), "SAMPLE");
}

TEST_F(CurrentFile, TheNameEndsAtItsFirstNulAndWhatFollowsIsKept) {
  std::memcpy(bridge.fileName, "ABC\0DEF", 7);
  EXPECT_EQ(GetCurrentRawFileName(bridge, "RAW"), "ABC");
  FileSpecRecord spec{};
  GetCurrentFileSpec(bridge, "RAW", spec);
  EXPECT_EQ(std::string(spec.FileName, 7), std::string("ABC\0DEF", 7));

  std::memset(bridge.fileName, 0, sizeof bridge.fileName);
  EXPECT_EQ(GetCurrentRawFileName(bridge, "RAW"), "");
}

TEST_F(CurrentFile, ANameFillingTheWholeFieldIsTakenWholeNotOverRead) {
  std::memset(bridge.fileName, 'N', sizeof bridge.fileName);
  EXPECT_EQ(GetCurrentRawFileName(bridge, "RAW"), std::string(256, 'N'));
}

}  // namespace
}  // namespace apexer
