// The parts of the core's platform that the check sets up its own way: Apexer's settings path, a status
// that only carries the user's stop, and a run record that writes nothing to disk.
#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/record_files.h"

namespace apexer::check {

// Apexer's application object as the check sees it: Apexer.exe's folder, so the settings path the core
// builds is Apexer.INI's.
class ApexerBeside : public platform::Application {
 public:
  explicit ApexerBeside(std::string folder) : folder_(std::move(folder)) {}
  std::string Path() override { return folder_; }
  std::string EXEName() override { return "Apexer"; }
  std::string Title() override { return "Apexer Check"; }
  void ReportUncaughtError(Long, const std::string&) override {}
  std::string FileDateLongFormat(const std::string&) override { return ""; }
  int CurrentYear() override { return 0; }

 private:
  std::string folder_;
};

// No status window of Apexer's: the check's own window shows the rows. Stop is the user's, set from the
// check's window and read by every yield; it is not heeded while changes are being undone.
class StopOnlyStatus : public platform::StatusForm {
 public:
  Hwnd hWnd() override { return 0; }
  platform::WindowState GetWindowState() override { return platform::WindowState::Normal; }
  void SetWindowState(platform::WindowState) override {}
  platform::BorderStyle GetBorderStyle() override { return platform::BorderStyle::FixedDialog; }
  void Show() override {}
  void SetStatusText(const std::string&) override {}
  bool CancelClicked() override { return stop.load() && !undoing.load(); }

  std::atomic<bool> stop{false};
  std::atomic<bool> undoing{false};
};

// The run record's lines, kept in memory: the check writes nothing into Apexer.log.
class RecordInMemory : public platform::RecordFiles {
 public:
  platform::LocalTime Now() override { return {}; }
  std::string UserName() override { return ""; }
  std::string ComputerName() override { return ""; }
  unsigned long ProcessId() override { return 0; }
  bool ReadWhole(const std::string&, std::string&) override { return false; }
  bool FileFacts(const std::string&, long long&, platform::LocalTime&) override { return false; }
  bool Append(const std::string&, const std::string& bytes) override {
    if (!bytes.empty()) lines.push_back(bytes);
    return true;
  }
  long long FileSize(const std::string&) override { return 0; }
  bool MoveReplacing(const std::string&, const std::string&) override { return true; }
  bool CopyReplacing(const std::string&, const std::string&) override { return true; }
  bool Empty(const std::string&) override { return true; }
  std::string ReadTail(const std::string&, long long) override { return ""; }
  std::string LocalAppDataFolder(const std::string&) override { return ""; }

  std::vector<std::string> lines;
};

}  // namespace apexer::check
