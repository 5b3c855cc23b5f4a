#include "shell/startup.h"

#include <gtest/gtest.h>

#include "fakes/rig.h"
#include "settings/settings_paths.h"
#include "shell/form_rect.h"

namespace apexer {
namespace {

fakes::HostScript NoSample() {
  fakes::HostScript s;
  s.hasSample = false;
  return s;
}

class Startup : public ::testing::Test {
 protected:
  fakes::Rig rig{NoSample()};
  const std::string ini = R"(D:\Tools\Apexer.INI)";

  platform::PixelRect Placed() {
    platform::PixelRect r;
    rig.desktop.GetWindowRect(rig.status->handle, r);
    return r;
  }
  std::string Stored() const { return rig.profiles.RawValue(ini, "Combine", "Combiner"); }
};

TEST_F(Startup, FirstStartOpensTopLeftWithItsOwnSizeAndStoresThePlacement) {
  rig.desktop.MoveWindow(rig.status->handle, 500, 400, 170, 95, true);
  EXPECT_EQ(Main(*rig.p, rig.record), kExitDone);
  EXPECT_TRUE(rig.status->shown);
  EXPECT_EQ(Placed().left, 0);
  EXPECT_EQ(Placed().top, 0);
  EXPECT_EQ(Stored(), "0,0,170,95");
  EXPECT_EQ(rig.status->texts.back(), "0");
}

TEST_F(Startup, AStoredPositionIsAppliedAndAStoredSizeNeverForAFixedBorder) {
  for (const char* stored : {"120,80,0,0", "120,80,400,300"}) {
    rig.profiles.SetText(ini, std::string("[Combine]\nCombiner=") + stored + "\n");
    Main(*rig.p, rig.record);
    EXPECT_EQ(Stored(), "120,80,170,95") << stored;
  }
}

// A window wholly outside every work area (its monitor was removed) comes onto the nearest monitor; what is
// stored is where it really stood.
TEST_F(Startup, APlacementOutsideEveryWorkAreaMovesOntoTheNearestMonitor) {
  rig.desktop.monitors.push_back({{1280, 0, 2560, 1024}, {1280, 0, 2560, 1024}});  // a second screen
  const std::pair<const char*, const char*> cases[] = {
      {"-3000,5000,0,0", "0,889,170,95"},     // below-left of everything: bottom-left above the task bar
      {"3000,100,0,0", "2390,100,170,95"},    // right of the second screen
      {"1300,1100,0,0", "1300,929,170,95"},   // under the second screen
      {"1500,300,0,0", "1500,300,170,95"},    // on the second screen: stays
      // One pixel in the work area at each of its edges: stays.
      {"-169,300,0,0", "-169,300,170,95"}, {"300,-94,0,0", "300,-94,170,95"},
      {"2559,100,0,0", "2559,100,170,95"}, {"600,983,0,0", "600,983,170,95"},
      {"600,984,0,0", "600,889,170,95"},      // on the task bar only: moved above it
  };
  for (const auto& [stored, expected] : cases) {
    rig.profiles.SetText(ini, std::string("[Combine]\nCombiner=") + stored + "\n");
    Main(*rig.p, rig.record);
    EXPECT_EQ(Stored(), expected) << stored;
  }
}

TEST_F(Startup, ASizableFormTakesANonZeroStoredSize) {
  rig.status->border = platform::BorderStyle::Sizable;
  WindowRect r{10, 20, 300, 0};
  ApplyFormRect(rig.desktop, *rig.status, r);
  EXPECT_EQ(Placed().right - Placed().left, 300);
  EXPECT_EQ(Placed().bottom - Placed().top, 95);  // a zero height keeps the current one
}

TEST_F(Startup, AMinimizedFormIsMeasuredRestoredAndLeftMinimized) {
  rig.desktop.MoveWindow(rig.status->handle, 40, 50, 170, 95, true);
  rig.status->SetWindowState(platform::WindowState::Minimized);
  WindowRect r;
  GetFormRect(rig.desktop, *rig.status, r);
  EXPECT_EQ(r.Left, 40);
  EXPECT_EQ(r.Top, 50);
  EXPECT_EQ(r.Width, 170);
  EXPECT_EQ(r.Height, 95);
  EXPECT_EQ(rig.status->state, platform::WindowState::Minimized);
}

TEST_F(Startup, TheSettingsPathAlwaysAddsOneBackslash) {
  rig.app.path = R"(C:\)";
  EXPECT_EQ(ProgramSettingsPath(rig.app), R"(C:\\Apexer.INI)");
  rig.app.path = R"(D:\Tools)";
  rig.app.exeName = "Other";
  EXPECT_EQ(ProgramSettingsPath(rig.app), R"(D:\Tools\Other.INI)");
}

// Errors that are not the program's own are still reported with a number and end the program.
class ThrowingHost : public fakes::ScriptedHost {
 public:
  using ScriptedHost::ScriptedHost;
  Long GetSampleListFileVB(RawFileRecord&) override { throw std::bad_alloc(); }
};

TEST_F(Startup, AnyUnexpectedErrorIsReportedAndWritesNothing) {
  ThrowingHost host(rig.world, rig.desktop, rig.profiles, rig.memory, fakes::HostScript{}, rig.journal);
  Platform p{rig.desktop, rig.profiles, rig.memory, rig.clock, rig.loop, rig.app, *rig.status, host};
  EXPECT_EQ(Main(p, rig.record), kExitError);
  ASSERT_EQ(rig.app.reports.size(), 1u);
  EXPECT_EQ(rig.app.reports[0].number, 7);
  EXPECT_FALSE(rig.profiles.Exists(ini));
}

}  // namespace
}  // namespace apexer
