// The record of every run: Apexer.log, one line per event with its local time, chained (record_chain.h).
// The run hands it what each step returned. It never changes the run: nothing here throws, and a line
// that cannot be built (out of memory) is dropped. The file is chosen at the run's first line, and moved
// aside then, never during a run; a line that cannot be written is kept and written before the next.
#pragma once
#include <string>

#include "automation/host_windows.h"
#include "platform/forms.h"
#include "platform/record_files.h"
#include "platform/types.h"
#include "processing/combine_spectrum.h"

namespace apexer {

class RunRecord {
 public:
  // A run that starts with the file at this size or more moves it to <name>.1 first, replacing the one
  // there; a run is never split, so the file may pass it by that run's own lines.
  static constexpr long long kLimitBytes = 1024 * 1024;

  RunRecord(platform::RecordFiles& files, platform::Application& app, std::string version)
      : files_(files), app_(app), version_(std::move(version)) {}

  // What the run was started with: its first line names them, with who ran it where, and which program.
  struct Setting {
    std::string channel;
    Integer printMode = 0;
    std::string settingsPath;  // the Apexer.INI read
    std::string sample;        // the host's current sample; empty when none
  };
  // Writes the run's first line; a run that records anything before this names no settings there.
  void Begin(const Setting& setting) noexcept;
  void NoSample(const std::string& channel) noexcept;
  void Started(const std::string& sample, const std::string& channel, Long peaksFound) noexcept;
  void ReplaceSet(const std::string& before) noexcept;
  // "Replace" written back at the end of a run, and what reading the file then gave: put back only when
  // that shows the value written.
  void ReplaceRestored(const std::string& written, const std::string& readBack) noexcept;
  // A peak whose spectrum was combined, with the scans the host was asked to combine.
  void Peak(Long position, Long count, Single apex, const CombineOutcome& combined) noexcept;
  // One batch's print: the peaks it covers (positions from 1), and whether a page was asked of the host.
  // Only a page posted to the host's spectrum window counts as printed; the run's end line counts both.
  void Printed(Integer printMode, Long firstPeak, Long lastPeak, PageRequest asked) noexcept;
  void Completed(Long result) noexcept;
  // The run stopped at the peak at `position`, whose apex the combine refused for `why`.
  void Stopped(Long position, Long count, Long result, Single apex, const CombineOutcome& why) noexcept;
  void Error(Long number, const std::string& text) noexcept;
  void Cancelled() noexcept;

  // Where the run's lines go: beside the settings file, or the user's own folder when that could not be
  // written at the run's start; empty before the first line, or when neither could.
  const std::string& Path() const noexcept { return path_; }

 private:
  template <class Text>
  void Record(const char* event, Text&& text) noexcept {
    try {
      Line(event, text());
    } catch (...) {
    }
  }
  void Line(const char* event, const std::string& text);
  void OpenRun();
  std::string RunText();
  std::string Follows(const std::string& log);
  void Write(const std::string& body);
  std::string PagesText() const;

  platform::RecordFiles& files_;
  platform::Application& app_;
  std::string version_;
  bool opened_ = false;
  bool begun_ = false;
  Setting setting_;
  std::string path_;
  std::string follows_;  // what the run's first line says it follows
  std::string link_;     // the last line's link
  std::string unwritten_;
  Long pagesAsked_ = 0;
  Long pagesPrinted_ = 0;
};

}  // namespace apexer
