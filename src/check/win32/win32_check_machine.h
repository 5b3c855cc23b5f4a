// The self-check's machine on the real Win32 calls: files and their versions, write access found out
// without writing, who and where, a worker thread for calls that may never return.
#pragma once
#include <string>

#include "check/check_machine.h"
#include "win32/win32_handles.h"
#include "win32/win32_host_libraries.h"

namespace apexer::check::win32 {

class Win32CheckMachine : public CheckMachine {
 public:
  explicit Win32CheckMachine(apexer::win32::Win32HostLibraries* host) : host_(host) {}
  ~Win32CheckMachine() override;
  Win32CheckMachine(const Win32CheckMachine&) = delete;
  Win32CheckMachine& operator=(const Win32CheckMachine&) = delete;

  std::string ProgramPath() override;
  std::string ProgramFolder() override;
  bool ReadFile(const std::string& path, std::string& bytes, std::string& error) override;
  std::string FileVersion(const std::string& path) override;
  std::string LocateLibrary(const std::string& name) override;
  bool CanWrite(const std::string& path, std::string& how) override;
  bool WriteFile(const std::string& path, const std::string& bytes, std::string& error) override;
  std::string LocalAppDataFolder() override;
  std::string WindowsUser() override;
  std::string ComputerName() override;
  std::string WindowsVersion() override;
  Moment Now() override;
  bool CallWithin(const std::function<void()>& call, int timeoutMs) override;
  bool WindowAnswers(Hwnd window, int timeoutMs) override;
  std::uint32_t WindowProcessId(Hwnd window) override;
  std::string WindowProgramPath(Hwnd window) override;
  TrustAnswer VerifySignature(const std::string& path) override;
  void BindLibrary(int library) override;

  struct Worker;

 private:
  apexer::win32::Win32HostLibraries* host_;
  static bool IsWow64();
  Worker* worker_ = nullptr;  // idle, ready for the next call; one that never returned is left behind
};

// The system's words for an error code, without the line break it ends with.
std::string SystemErrorText(DWORD code);
// The same for an HRESULT of the trust functions, with its name where it is a known one: "CERT_E_EXPIRED,
// 0x800B0101: <the system's words>".
std::string TrustResultText(LONG code);

}  // namespace apexer::check::win32
