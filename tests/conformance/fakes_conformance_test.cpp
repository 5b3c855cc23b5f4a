// The shared case tables against the fakes the unit tests use.
#include <gtest/gtest.h>

#include "conformance/conformance.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_profile_files.h"
#include "fakes/rig.h"

namespace apexer::conformance {
namespace {

class FakeProfileWorld : public ProfileWorld {
 public:
  platform::ProfileFiles& Files() override { return files; }
  std::string PathInExistingFolder(const std::string& name) override { return "C:\\Work\\" + name; }
  std::string PathInMissingFolder(const std::string& name) override {
    const std::string path = "C:\\No Such Folder\\" + name;
    files.SetUnwritable(path);
    return path;
  }
  void SetFileText(const std::string& path, const std::string& text) override { files.SetText(path, text); }
  bool FileExists(const std::string& path) override { return files.Exists(path); }

  fakes::FakeProfileFiles files;
};

class FakeDesktopWorld : public DesktopWorld {
 public:
  // Like a fresh desktop: a hidden window with an empty title below everything.
  FakeDesktopWorld() { desktop.AddWindowAtBottom(""); }
  platform::Desktop& Desk() override { return desktop; }
  Hwnd Open(const std::string& title, Hwnd owner) override { return desktop.AddWindow(title, owner); }
  Hwnd AddControl(Hwnd dialog, Long id) override { return desktop.AddControl(dialog, id); }
  void Deliver() override { desktop.DeliverPosted(); }

  fakes::FakeDesktop desktop;
};

// The scripted host the unit tests run against, in virtual time.
class ScriptedHostWorld : public HostWorld {
 public:
  bool StartHost(bool withSample, int peaks) override {
    fakes::HostScript script;
    script.hasSample = withSample;
    script.apexScans.assign(static_cast<std::size_t>(peaks), 10.0f);
    script.spectrumWindowOpen = script.secondaryWindowOpen = false;
    script.combineMs = 300;
    script.printMs = 300;
    rig = std::make_unique<fakes::Rig>(script);
    return true;
  }
  void StopHost() override { rig.reset(); }
  HostLibraries& Host() override { return *rig->host; }
  platform::Desktop& Desk() override { return rig->desktop; }
  platform::GlobalMemory& Memory() override { return rig->memory; }
  void SetReplace(const std::string& value) override {
    rig->profiles.WritePrivateProfileStringA("SpeDisplay", "Replace", value, "C:\\Ionvane\\Ionvane.ini");
  }
  bool Until(const std::function<bool()>& done, int ms) override {
    const std::int64_t end = rig->clock.now + ms;
    while (!done()) {
      if (rig->clock.now >= end) return false;
      rig->world.Advance(10);
    }
    return true;
  }
  int SpectraShown() override { return static_cast<int>(rig->host->spectra.size()); }
  int SpectraPrinted() override {
    return rig->host->prints.empty() ? -1 : static_cast<int>(rig->host->prints.back().spectra.size());
  }

  std::unique_ptr<fakes::Rig> rig;
};

// Each row of each table is a test of its own, on a double made for it alone.
class FakeProfileFiles : public testing::TestWithParam<Case<ProfileWorld>> {};
TEST_P(FakeProfileFiles, FollowTheRealFunctions) {
  FakeProfileWorld world;
  GetParam().run(world);
}
INSTANTIATE_TEST_SUITE_P(Conformance, FakeProfileFiles, testing::ValuesIn(ProfileCases()), CaseName<ProfileWorld>);

class FakeDesktop : public testing::TestWithParam<Case<DesktopWorld>> {};
TEST_P(FakeDesktop, FollowsTheRealFunctions) {
  FakeDesktopWorld world;
  GetParam().run(world);
}
INSTANTIATE_TEST_SUITE_P(Conformance, FakeDesktop, testing::ValuesIn(DesktopCases()), CaseName<DesktopWorld>);

class ScriptedHost : public testing::TestWithParam<Case<HostWorld>> {};
TEST_P(ScriptedHost, KeepsTheHostContract) {
  ScriptedHostWorld world;
  GetParam().run(world);
}
INSTANTIATE_TEST_SUITE_P(Conformance, ScriptedHost, testing::ValuesIn(HostCases()), CaseName<HostWorld>);

}  // namespace
}  // namespace apexer::conformance
