// The shared case tables against the fakes the unit tests use.
#include <gtest/gtest.h>

#include "conformance/conformance.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_profile_files.h"

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

}  // namespace
}  // namespace apexer::conformance
