// The host's libraries as the check calls them: every call through Apexer's own binding, but on another
// thread with a time limit, so a host that does not answer stops the host checks instead of the program.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "check/check_machine.h"
#include "platform/host_libraries.h"

namespace apexer::check {

class HostNotResponding : public std::runtime_error {
 public:
  explicit HostNotResponding(const std::string& what) : std::runtime_error(what) {}
};

class BoundedHost : public HostLibraries {
 public:
  static constexpr int kCallLimitMs = 10000;
  static constexpr int kIntegrationLimitMs = 60000;

  BoundedHost(HostLibraries& host, CheckMachine& machine) : host_(host), machine_(machine) {}

  // Calls made, with their results, for the report's words on what was seen.
  struct Call {
    std::string name;
    long long result;
  };
  const std::vector<Call>& Calls() const { return calls_; }
  // Once a call did not return, every later call fails at once with the same reason.
  bool Hung() const { return !hung_.empty(); }
  const std::string& HungReason() const { return hung_; }
  // A host whose windows no longer answer is held to be hung too.
  void MarkHung(const std::string& reason) { hung_ = reason; }
  // Runs any other call (a binding) under the same limit and the same rule.
  void Bounded(const std::string& name, const std::function<void()>& call, int limitMs = kCallLimitMs);

  Long GetSampleListFileVB(RawFileRecord& record) override;
  Long GetApplicationWnd(Integer kind) override;
  Integer GetGlobalFile(std::string& listName, std::string& fileType, FileSpecRecord& blank,
                        FileSpecRecord& result) override;
  Long IonvaneCommand(std::string& command, Long number) override;
  Long CopyMemVB(void* destination, const void* source, Long byteCount) override;
  Integer DmRawReadHeaderVB(RawFileRecord& record, RawHeaderRecord& header) override;
  Long DmRawScansInFunction(RawFileRecord& record) override;
  Long DmRawTimeToScan(RawFileRecord& record, Single time) override;
  Integer DmRawIsAnalogTraceDesc(std::string& description) override;
  Integer DmRawStrToMass(std::string& description, void* masses, Integer capacity, Long& count) override;
  void DmRawClose() override;
  Integer IntegrateGetIniFile(std::string& parameterSet, IntegrationParameters& parameters) override;
  Integer IntegrateChromatogramRange(Hwnd window, RawFileRecord& record, TraceDescriptor& trace,
                                     platform::GlobalHandle& block, Long& peakCount, Integer& auxValue,
                                     IntegrationParameters& parameters, Long firstScan, Long lastScan,
                                     Integer auxNumber) override;

 private:
  template <typename F>
  auto Result(const char* name, F call, int limitMs = kCallLimitMs);

  HostLibraries& host_;
  CheckMachine& machine_;
  std::vector<Call> calls_;
  std::string hung_;
};

}  // namespace apexer::check
