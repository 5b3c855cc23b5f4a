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

std::string Listed(const Failures& f) {
  std::string out;
  for (const std::string& m : f.messages) out += m + "\n";
  return out;
}

TEST(Conformance, FakeProfileFilesFollowTheRealFunctions) {
  FakeProfileWorld world;
  Failures failures;
  RunProfileCases(world, failures);
  EXPECT_TRUE(failures.messages.empty()) << Listed(failures);
}

TEST(Conformance, FakeDesktopFollowsTheRealFunctions) {
  FakeDesktopWorld world;
  Failures failures;
  RunDesktopCases(world, failures);
  EXPECT_TRUE(failures.messages.empty()) << Listed(failures);
}

TEST(Conformance, ScriptedHostKeepsTheHostContract) {
  ScriptedHostWorld world;
  Failures failures;
  RunHostCases(world, failures);
  EXPECT_TRUE(failures.messages.empty()) << Listed(failures);
}

}  // namespace
}  // namespace apexer::conformance
