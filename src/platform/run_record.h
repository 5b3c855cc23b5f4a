// The record of every run: Apexer.log beside the settings file, one line per event with its local time.
// It never changes the run: nothing here throws, and a line that cannot be written is skipped.
#pragma once
#include <string>

#include "platform/forms.h"
#include "platform/record_files.h"
#include "platform/types.h"

namespace apexer::platform {

class RunRecord {
 public:
  // At this size the file moves to <name>.1, replacing the one there.
  static constexpr long long kLimitBytes = 1024 * 1024;

  RunRecord(RecordFiles& files, Application& app, std::string version)
      : files_(files), app_(app), version_(std::move(version)) {}

  void NoSample(const std::string& channel) noexcept;
  void Started(const std::string& sample, const std::string& channel, Long peaksFound) noexcept;
  void ReplaceSet(const std::string& before) noexcept;
  void ReplaceRestored(const std::string& value) noexcept;
  // The scans the host was just asked to combine, reported with the next Peak.
  void Combining(Long low, Long high) noexcept;
  void Peak(Long position, Long count, Single apex) noexcept;
  void Printed(Integer printMode) noexcept;
  // Why the next scan is refused, told where the refusal is decided; Stopped reports it.
  void Refused(const std::string& why) noexcept;
  void Completed(Long result) noexcept;
  void Stopped(Long position, Long count, Long result) noexcept;
  void Error(Long number, const std::string& text) noexcept;
  void Cancelled() noexcept;

  // Where the lines go now: beside the settings file, or the fallback once that could not be written.
  const std::string& Path() const noexcept { return path_; }

 private:
  void Line(const char* event, const std::string& text) noexcept;
  bool Write(const std::string& path, const std::string& line);

  RecordFiles& files_;
  Application& app_;
  std::string version_;
  std::string path_;
  bool fallen_back_ = false;
  std::string scans_;
  std::string refusal_;
  Long prints_ = 0;
  Long batch_first_ = 0;
  Long last_peak_ = 0;
};

}  // namespace apexer::platform
