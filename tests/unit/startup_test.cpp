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
  EXPECT_EQ(Main(*rig.p), kExitDone);
  EXPECT_TRUE(rig.status->shown);
  EXPECT_EQ(Placed().left, 0);
  EXPECT_EQ(Placed().top, 0);
  EXPECT_EQ(Stored(), "0,0,170,95");
  EXPECT_EQ(rig.status->texts.back(), "0");
}

TEST_F(Startup, AStoredPositionIsAppliedAndAStoredSizeNeverForAFixedBorder) {
  for (const char* stored : {"120,80,0,0", "120,80,400,300"}) {
    rig.profiles.SetText(ini, std::string("[Combine]\nCombiner=") + stored + "\n");
    Main(*rig.p);
    EXPECT_EQ(Stored(), "120,80,170,95") << stored;
  }
}

TEST_F(Startup, PlacementsOffTheScreenAreAppliedAsTheyAre) {
  rig.profiles.SetText(ini, "[Combine]\nCombiner=-3000,5000,0,0\n");
  Main(*rig.p);
  EXPECT_EQ(Stored(), "-3000,5000,170,95");
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
  platform::Platform p{rig.desktop, rig.profiles, rig.memory, rig.clock, rig.loop, rig.app, *rig.status, host};
  EXPECT_EQ(Main(p), kExitError);
  ASSERT_EQ(rig.app.reports.size(), 1u);
  EXPECT_EQ(rig.app.reports[0].number, 7);
  EXPECT_FALSE(rig.profiles.Exists(ini));
}

}  // namespace
}  // namespace apexer
