// Fakes for time, the message loop, global memory and the forms, and a bundle that hands out a Platform.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_desktop.h"
#include "fakes/fake_profile_files.h"
#include "common/platform.h"

namespace apexer::fakes {

// The program's own work takes no virtual time: only yields, pauses and the world move it.
class VirtualClock : public platform::Clock {
 public:
  std::int64_t MonotonicMs() override { return now; }
  double MonotonicMsFine() override { return static_cast<double>(now); }
  std::int64_t now = 1'000'000;  // an arbitrary origin, as a real monotonic clock has
};

// Everything outside the program that goes on while time passes: the host's reactions, posted messages.
class World {
 public:
  World(VirtualClock& clock, FakeDesktop& desktop) : clock_(clock), desktop_(desktop), start_(clock.now) {}
  void After(std::int64_t delayMs, std::function<void()> action);
  // Lets time pass: due timers run, posted messages reach their windows.
  void Advance(std::int64_t ms);
  std::size_t PendingTimers() const { return timers_.size(); }

 private:
  static constexpr std::int64_t kLongestTestMs = 6 * 3600 * 1000;
  VirtualClock& clock_;
  FakeDesktop& desktop_;
  std::int64_t start_;
  std::multimap<std::int64_t, std::function<void()>> timers_;
};

// Each yield lets yieldStepMs of virtual time pass, whatever block the core asks for; the blocks and the
// requests the core announces are kept in the order they came, for the pacing to be seen.
class FakeLoop : public platform::MessageLoop {
 public:
  FakeLoop(World& world, VirtualClock& clock, FakeDesktop& desktop)
      : world_(world), clock_(clock), desktop_(desktop), windowsSeen_(desktop.windowsMade) {}
  // True, as the real loop's, when a press began or ended, or, where the desktop hook is in place
  // (newWindowsWake), a window was made since the last yield (a window going is not told, as under Wine 8).
  bool DoEvents(platform::Awaiting awaiting) override;
  void Block(double timeoutMs) override;
  bool NewWindowsWake() override { return newWindowsWake; }
  void PauseWithoutEvents(double ms) override;
  std::optional<std::int64_t> PressHeldSince() override { return pressSeenAtMs_; }
  void RequestMade(const platform::HostRequest& request) override;

  // A person's press on the program's windows, down and up at these virtual times. As the real loop, the
  // yields see the down only when they dispatch it, at the first yield at or after it, and the up likewise.
  struct Press {
    std::int64_t downAtMs = 0;
    std::int64_t upAtMs = 0;
  };
  std::optional<Press> press;
  std::optional<std::int64_t> pressSeenAtMs;  // when a yield last saw a press begin; kept after its end

  std::int64_t yieldStepMs = 10;
  bool newWindowsWake = true;
  int yields = 0;
  platform::Awaiting lastAwaiting = platform::Awaiting::Nothing;
  int pauses = 0;
  // "post 16", "send 12", "command" for the requests announced; "block 4" for the blocks asked, in ms.
  std::vector<std::string> pacing;
  // The program's own window events, run inside a yield (a Cancel click, the About menu).
  std::function<void(int yieldNumber)> onYield;

 private:
  World& world_;
  VirtualClock& clock_;
  FakeDesktop& desktop_;
  int windowsSeen_;
  std::optional<std::int64_t> pressSeenAtMs_;
};

class FakeMemory : public platform::GlobalMemory {
 public:
  platform::GlobalHandle Allocate(std::vector<std::uint8_t> bytes);
  void* GlobalLock(platform::GlobalHandle block) override;
  bool GlobalUnlock(platform::GlobalHandle block) override;
  platform::GlobalHandle GlobalFree(platform::GlobalHandle block) override;
  std::size_t GlobalSize(platform::GlobalHandle block) override;

  bool failLocks = false;
  std::vector<std::string> calls;  // "lock 5", "unlock 5", "free 5"
  std::size_t LiveBlocks() const { return blocks_.size(); }

 private:
  platform::GlobalHandle next_ = 0x100;
  std::map<platform::GlobalHandle, std::vector<std::uint8_t>> blocks_;
};

class FakeStatusForm : public platform::StatusForm {
 public:
  explicit FakeStatusForm(FakeDesktop& desktop);
  Hwnd hWnd() override { return handle; }
  platform::WindowState GetWindowState() override { return state; }
  void SetWindowState(platform::WindowState s) override;
  platform::BorderStyle GetBorderStyle() override { return border; }
  void Show() override { shown = true; }
  void SetStatusText(const std::string& text) override { texts.push_back(text); }
  bool CancelClicked() override { return cancelClicked; }

  Hwnd handle = 0;
  platform::WindowState state = platform::WindowState::Normal;
  platform::BorderStyle border = platform::BorderStyle::FixedDialog;
  bool shown = false;
  bool cancelClicked = false;
  std::vector<std::string> texts;
  platform::PixelRect restoredRect{0, 0, 170, 95};

 private:
  FakeDesktop& desktop_;
};

class FakeApplication : public platform::Application {
 public:
  std::string Path() override { return path; }
  std::string EXEName() override { return exeName; }
  std::string Title() override { return "Apexer"; }
  void ReportUncaughtError(Long number, const std::string& description) override {
    reports.push_back({number, description});
  }
  std::string FileDateLongFormat(const std::string& file) override;
  int CurrentYear() override { return year; }

  std::string path = R"(D:\Tools)";
  std::string exeName = "Apexer";
  int year = 2026;
  std::map<std::string, std::string> fileDates;
  struct Report {
    Long number;
    std::string description;
  };
  std::vector<Report> reports;
};

}  // namespace apexer::fakes
