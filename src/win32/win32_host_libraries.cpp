#include "win32/win32_host_libraries.h"

#include <cstdint>
#include <vector>

#include "common/errors.h"
#include "win32/win32_handles.h"

// The host's calling shapes. Integer arguments by value travel in a full 32-bit slot, which a callee
// reads correctly whether it declares them 16 or 32 bits wide; Integer results are read from AX only.
namespace apexer::win32 {

using I16 = std::int16_t;
using I32 = std::int32_t;

struct Win32HostLibraries::Bridge {
  I32(__stdcall* GetSampleListFileVB)(RawFileRecord*);
  I32(__stdcall* GetApplicationWnd)(I32 kind);
  I16(__stdcall* GetGlobalFile)(char* listName, char* fileType, FileSpecRecord* blank, FileSpecRecord* result);
  I32(__stdcall* IonvaneCommand)(char* command, I32 number);
  I32(__stdcall* CopyMemVB)(void* destination, const void* source, I32 byteCount);
};

struct Win32HostLibraries::Raw {
  I16(__stdcall* DmRawReadHeaderVB)(RawFileRecord*, RawHeaderRecord*);
  I32(__stdcall* DmRawScansInFunction)(RawFileRecord*);
  I32(__stdcall* DmRawTimeToScan)(RawFileRecord*, float time);
  I16(__stdcall* DmRawIsAnalogTraceDesc)(char* text);
  I16(__stdcall* DmRawStrToMass)(char* text, void* masses, I32 capacity, I32* count);
  I16(__stdcall* DmRawClose)();
};

struct Win32HostLibraries::Peak {
  I16(__stdcall* IntegrateGetIniFile)(char* setName, IntegrationParameters*);
  I16(__stdcall* IntegrateChromatogramRange)(HWND window, RawFileRecord*, TraceDescriptor*, std::intptr_t* block,
                                             I32* count, I16* aux, IntegrationParameters*, I32 firstScan,
                                             I32 lastScan, I32 auxNumber);
};

namespace {

constexpr const char* kBridgeDll = "Iv_vb32.dll";
constexpr const char* kRawDll = "ivraw32.dll";
constexpr const char* kPeakDll = "ivpeak32.dll";

// Loads a library into its owner and binds every entry point the program uses, so a missing one is found
// before the host has been asked to do anything through that library.
class Binder {
 public:
  Binder(const char* dll, ScopedLibrary& module) : dll_(dll), module_(module) {
    if (module_.get() == nullptr) module_ = ScopedLibrary(Load(dll));
    if (module_.get() == nullptr) throw AppError(kErrorLoadingDll, std::string("Error in loading DLL: ") + dll);
  }
  template <typename F>
  void operator()(F& slot, const char* name) {
    FARPROC p = GetProcAddress(module_.get(), name);
    if (p == nullptr) {
      throw AppError(kEntryPointNotFound,
                     std::string("Can't find DLL entry point ") + name + " in " + dll_);
    }
    slot = reinterpret_cast<F>(reinterpret_cast<void (*)()>(p));
  }

 private:
  // A library that cannot be loaded is the program's error to report, not a system dialog's.
  static HMODULE Load(const char* dll) {
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(dll);
    SetErrorMode(previous);
    return module;
  }

  const char* dll_;
  ScopedLibrary& module_;
};

// An ANSI copy the callee may change in place; its changes come back without changing the length.
class TextArgument {
 public:
  explicit TextArgument(std::string& text) : text_(text), buffer_(text.begin(), text.end()) {
    buffer_.push_back('\0');
  }
  ~TextArgument() { text_.assign(buffer_.data(), text_.size()); }
  TextArgument(const TextArgument&) = delete;
  TextArgument& operator=(const TextArgument&) = delete;
  char* get() { return buffer_.data(); }

 private:
  std::string& text_;
  std::vector<char> buffer_;
};

}  // namespace

Win32HostLibraries::Win32HostLibraries(CallCounts& calls) : calls_(calls) {}
Win32HostLibraries::~Win32HostLibraries() = default;

const Win32HostLibraries::Bridge& Win32HostLibraries::BridgeLib() {
  if (bridge_ == nullptr) {
    auto b = std::make_unique<Bridge>();
    Binder bind(kBridgeDll, bridgeModule_);
    bind(b->GetSampleListFileVB, "GetSampleListFileVB");
    bind(b->GetApplicationWnd, "GetApplicationWnd");
    bind(b->GetGlobalFile, "GetGlobalFile");
    bind(b->IonvaneCommand, "IonvaneCommand");
    bind(b->CopyMemVB, "CopyMemVB");
    bridge_ = std::move(b);
  }
  return *bridge_;
}

const Win32HostLibraries::Raw& Win32HostLibraries::RawLib() {
  if (raw_ == nullptr) {
    auto r = std::make_unique<Raw>();
    Binder bind(kRawDll, rawModule_);
    bind(r->DmRawReadHeaderVB, "DmRawReadHeaderVB");
    bind(r->DmRawScansInFunction, "DmRawScansInFunction");
    bind(r->DmRawTimeToScan, "DmRawTimeToScan");
    bind(r->DmRawIsAnalogTraceDesc, "DmRawIsAnalogTraceDesc");
    bind(r->DmRawStrToMass, "DmRawStrToMass");
    bind(r->DmRawClose, "DmRawClose");
    raw_ = std::move(r);
  }
  return *raw_;
}

const Win32HostLibraries::Peak& Win32HostLibraries::PeakLib() {
  if (peak_ == nullptr) {
    auto k = std::make_unique<Peak>();
    Binder bind(kPeakDll, peakModule_);
    bind(k->IntegrateGetIniFile, "IntegrateGetIniFile");
    bind(k->IntegrateChromatogramRange, "IntegrateChromatogramRange");
    peak_ = std::move(k);
  }
  return *peak_;
}

void Win32HostLibraries::Bind(int library) {
  if (library == 0) BridgeLib();
  if (library == 1) RawLib();
  if (library == 2) PeakLib();
}

Long Win32HostLibraries::GetSampleListFileVB(RawFileRecord& record) {
  return BridgeLib().GetSampleListFileVB(&record);
}

Long Win32HostLibraries::GetApplicationWnd(Integer kind) {
  CallScope call(calls_, CallKind::HostCall);
  return BridgeLib().GetApplicationWnd(kind);
}

Integer Win32HostLibraries::GetGlobalFile(std::string& listName, std::string& fileType, FileSpecRecord& blank,
                                          FileSpecRecord& result) {
  CallScope call(calls_, CallKind::HostCall);
  const Bridge& b = BridgeLib();
  TextArgument list(listName);
  TextArgument type(fileType);
  return b.GetGlobalFile(list.get(), type.get(), &blank, &result);
}

Long Win32HostLibraries::IonvaneCommand(std::string& command, Long number) {
  const Bridge& b = BridgeLib();
  TextArgument text(command);
  CallScope call(calls_, CallKind::Request);
  return b.IonvaneCommand(text.get(), number);
}

Long Win32HostLibraries::CopyMemVB(void* destination, const void* source, Long byteCount) {
  return BridgeLib().CopyMemVB(destination, source, byteCount);
}

Integer Win32HostLibraries::DmRawReadHeaderVB(RawFileRecord& record, RawHeaderRecord& header) {
  return RawLib().DmRawReadHeaderVB(&record, &header);
}

Long Win32HostLibraries::DmRawScansInFunction(RawFileRecord& record) {
  return RawLib().DmRawScansInFunction(&record);
}

Long Win32HostLibraries::DmRawTimeToScan(RawFileRecord& record, Single time) {
  return RawLib().DmRawTimeToScan(&record, time);
}

Integer Win32HostLibraries::DmRawIsAnalogTraceDesc(std::string& description) {
  const Raw& r = RawLib();
  TextArgument text(description);
  return r.DmRawIsAnalogTraceDesc(text.get());
}

Integer Win32HostLibraries::DmRawStrToMass(std::string& description, void* masses, Integer capacity,
                                           Long& count) {
  const Raw& r = RawLib();
  TextArgument text(description);
  return r.DmRawStrToMass(text.get(), masses, capacity, &count);
}

void Win32HostLibraries::DmRawClose() { RawLib().DmRawClose(); }

Integer Win32HostLibraries::IntegrateGetIniFile(std::string& parameterSet, IntegrationParameters& parameters) {
  const Peak& k = PeakLib();
  TextArgument name(parameterSet);
  return k.IntegrateGetIniFile(name.get(), &parameters);
}

Integer Win32HostLibraries::IntegrateChromatogramRange(Hwnd window, RawFileRecord& record,
                                                       TraceDescriptor& trace, platform::GlobalHandle& block,
                                                       Long& peakCount, Integer& auxValue,
                                                       IntegrationParameters& parameters, Long firstScan,
                                                       Long lastScan, Integer auxNumber) {
  return PeakLib().IntegrateChromatogramRange(ToHwnd(window), &record, &trace, &block, &peakCount, &auxValue,
                                              &parameters, firstScan, lastScan, auxNumber);
}

}  // namespace apexer::win32
