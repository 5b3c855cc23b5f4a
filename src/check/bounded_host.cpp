#include "check/bounded_host.h"

#include <exception>
#include <memory>
#include <type_traits>

namespace apexer::check {

void BoundedHost::Bounded(const std::string& name, const std::function<void()>& call, int limitMs) {
  if (Hung()) throw HostNotResponding(hung_);
  // The call's outcome lives on the heap: an abandoned call must never write into a frame that is gone.
  auto error = std::make_shared<std::exception_ptr>();
  const bool returned = machine_.CallWithin(
      [call, error] {
        try {
          call();
        } catch (...) {
          *error = std::current_exception();
        }
      },
      limitMs);
  if (!returned) {
    hung_ = "the host does not respond: " + name + " did not return within " + std::to_string(limitMs / 1000) + " s";
    throw HostNotResponding(hung_);
  }
  if (*error) std::rethrow_exception(*error);
}

template <typename F>
auto BoundedHost::Result(const char* name, F call, int limitMs) {
  using R = decltype(call());
  auto result = std::make_shared<R>();
  Bounded(name, [result, call] { *result = call(); }, limitMs);
  calls_.push_back({name, static_cast<long long>(*result)});
  return *result;
}

Long BoundedHost::GetSampleListFileVB(RawFileRecord& record) {
  return Result("GetSampleListFileVB", [&] { return host_.GetSampleListFileVB(record); });
}

Long BoundedHost::GetApplicationWnd(Integer kind) {
  return Result("GetApplicationWnd", [&] { return host_.GetApplicationWnd(kind); });
}

Integer BoundedHost::GetGlobalFile(std::string& listName, std::string& fileType, FileSpecRecord& blank,
                                   FileSpecRecord& result) {
  return Result("GetGlobalFile", [&] { return host_.GetGlobalFile(listName, fileType, blank, result); });
}

Long BoundedHost::IonvaneCommand(std::string& command, Long number) {
  return Result("IonvaneCommand", [&] { return host_.IonvaneCommand(command, number); });
}

Long BoundedHost::CopyMemVB(void* destination, const void* source, Long byteCount) {
  return Result("CopyMemVB", [&] { return host_.CopyMemVB(destination, source, byteCount); });
}

Integer BoundedHost::DmRawReadHeaderVB(RawFileRecord& record, RawHeaderRecord& header) {
  return Result("DmRawReadHeaderVB", [&] { return host_.DmRawReadHeaderVB(record, header); });
}

Long BoundedHost::DmRawScansInFunction(RawFileRecord& record) {
  return Result("DmRawScansInFunction", [&] { return host_.DmRawScansInFunction(record); });
}

Long BoundedHost::DmRawTimeToScan(RawFileRecord& record, Single time) {
  return Result("DmRawTimeToScan", [&] { return host_.DmRawTimeToScan(record, time); });
}

Integer BoundedHost::DmRawIsAnalogTraceDesc(std::string& description) {
  return Result("DmRawIsAnalogTraceDesc", [&] { return host_.DmRawIsAnalogTraceDesc(description); });
}

Integer BoundedHost::DmRawStrToMass(std::string& description, void* masses, Integer capacity, Long& count) {
  return Result("DmRawStrToMass", [&] { return host_.DmRawStrToMass(description, masses, capacity, count); });
}

void BoundedHost::DmRawClose() {
  Result("DmRawClose", [&] {
    host_.DmRawClose();
    return 0;
  });
}

Integer BoundedHost::IntegrateGetIniFile(std::string& parameterSet, IntegrationParameters& parameters) {
  return Result("IntegrateGetIniFile", [&] { return host_.IntegrateGetIniFile(parameterSet, parameters); });
}

Integer BoundedHost::IntegrateChromatogramRange(Hwnd window, RawFileRecord& record, TraceDescriptor& trace,
                                                platform::GlobalHandle& block, Long& peakCount, Integer& auxValue,
                                                IntegrationParameters& parameters, Long firstScan, Long lastScan,
                                                Integer auxNumber) {
  return Result(
      "IntegrateChromatogramRange",
      [&] {
        return host_.IntegrateChromatogramRange(window, record, trace, block, peakCount, auxValue, parameters,
                                                firstScan, lastScan, auxNumber);
      },
      kIntegrationLimitMs);
}

}  // namespace apexer::check
