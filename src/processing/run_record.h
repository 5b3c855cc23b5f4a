// The record of every run: Apexer.log beside the settings file, one line per event with its local time.
// The run hands it what each step returned; it keeps nothing between its lines but where they go and how
// many pages it has recorded. It never changes the run: nothing here throws, and a line that cannot be
// written is skipped.
#pragma once
#include <string>

#include "platform/forms.h"
#include "platform/record_files.h"
#include "platform/types.h"
#include "automation/host_windows.h"
#include "processing/combine_spectrum.h"

namespace apexer {

class RunRecord {
 public:
  // At this size the file moves to <name>.1, replacing the one there.
  static constexpr long long kLimitBytes = 1024 * 1024;

  RunRecord(platform::RecordFiles& files, platform::Application& app, std::string version)
      : files_(files), app_(app), version_(std::move(version)) {}

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

  // Where the lines go now: beside the settings file, or the fallback once that could not be written.
  const std::string& Path() const noexcept { return path_; }

 private:
  void Line(const char* event, const std::string& text) noexcept;
  bool Write(const std::string& path, const std::string& line);

  platform::RecordFiles& files_;
  platform::Application& app_;
  std::string version_;
  std::string path_;
  bool fallen_back_ = false;
  std::string PagesText() const;

  Long pagesAsked_ = 0;
  Long pagesPrinted_ = 0;
};

}  // namespace apexer
