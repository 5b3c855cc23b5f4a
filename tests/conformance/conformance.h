// Case tables that run against the fakes natively and against the real functions under Wine, so the
// fakes cannot drift from the platform they imitate. Each row is a test of its own in both, named by the
// row, so a failing row can be picked out and run again (--gtest_filter=*/ROW).
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/global_memory.h"
#include "platform/host_libraries.h"
#include "platform/profile_files.h"

namespace apexer::conformance {

// What a profile case needs beyond the functions under test: files to start from and a place to write.
class ProfileWorld {
 public:
  virtual ~ProfileWorld() = default;
  virtual platform::ProfileFiles& Files() = 0;
  virtual std::string PathInExistingFolder(const std::string& name) = 0;
  virtual std::string PathInMissingFolder(const std::string& name) = 0;
  virtual void SetFileText(const std::string& path, const std::string& text) = 0;
  virtual bool FileExists(const std::string& path) = 0;
};

// What a desktop case needs: windows of its own, as the host would show them.
class DesktopWorld {
 public:
  virtual ~DesktopWorld() = default;
  virtual platform::Desktop& Desk() = 0;
  // A visible top-level window, shown on top of the others.
  virtual Hwnd Open(const std::string& title, Hwnd owner) = 0;
  virtual Hwnd AddControl(Hwnd dialog, Long id) = 0;
  // Lets the windows handle the messages posted to them.
  virtual void Deliver() = 0;
  // Whether the windows belong to another process, as the host's do, and a control's text as that
  // process reads it (WM_GETTEXT).
  virtual bool OtherProcess() const { return false; }
  virtual std::string TextAsItsOwnerReadsIt(Hwnd) { return {}; }
};

// What a host case needs: a host to start and stop, its libraries and windows, its settings file, time.
class HostWorld {
 public:
  virtual ~HostWorld() = default;
  // A fresh host with its main window only, with or without a current sample; its integrator finds
  // exactly `peaks` peaks, and launching the chromatogram brings the kind-2 window along. False when it
  // would not start.
  virtual bool StartHost(bool withSample, int peaks) = 0;
  virtual void StopHost() = 0;
  virtual HostLibraries& Host() = 0;
  virtual platform::Desktop& Desk() = 0;
  virtual platform::GlobalMemory& Memory() = 0;
  // [SpeDisplay] Replace in the host's settings file.
  virtual void SetReplace(const std::string& value) = 0;
  // Lets the host work until done() holds or ms of its time have passed; done()'s last answer.
  virtual bool Until(const std::function<bool()>& done, int ms) = 0;
  // What the host's spectrum window showed after its latest combine, and the latest page printed.
  virtual int SpectraShown() = 0;
  virtual int SpectraPrinted() = 0;
};

// One row: its name (letters, digits and underscores: it names the test) and what it does to a world,
// asserting with gtest. A row starts from a world of its own or from one its suite cleans between rows.
template <typename World>
struct Case {
  std::string name;
  std::function<void(World&)> run;
};
template <typename World>
std::string CaseName(const testing::TestParamInfo<Case<World>>& info) {
  return info.param.name;
}
template <typename World>
void PrintTo(const Case<World>& c, std::ostream* out) {
  *out << c.name;
}

std::vector<Case<ProfileWorld>> ProfileCases();
std::vector<Case<DesktopWorld>> DesktopCases();
// The host's behaviour that the program relies on, held against each double of the host. Each row starts
// the host it needs; its suite stops it.
std::vector<Case<HostWorld>> HostCases();

}  // namespace apexer::conformance
