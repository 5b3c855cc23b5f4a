// What the self-check needs of the machine beyond the core's seam: files and their facts, who and where it
// runs, bounded calls, and whether a window of another program still answers.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/types.h"

namespace apexer::check {

// What Windows says of a file's code signature.
struct TrustAnswer {
  std::int32_t verify = 0;  // WinVerifyTrust's answer: 0 when it accepts the signature
  std::string verifyText;   // the system's words for it, with the code
  bool chainBuilt = false;  // WinVerifyTrust built a certificate chain for the signer
  std::int32_t chain = 0;   // that chain held against the Authenticode policy: 0 when it ends in a trusted root
  std::string chainText;
  std::string root;         // the subject of the chain's last certificate
};

// WinVerifyTrust's answers that say the file carries no signature, and that its chain is not trusted.
constexpr std::int32_t kNoSignature = static_cast<std::int32_t>(0x800B0100);
constexpr std::int32_t kUntrustedRoot = static_cast<std::int32_t>(0x800B0109);
constexpr std::int32_t kChaining = static_cast<std::int32_t>(0x800B010A);

struct Moment {
  std::string utc;    // 2026-12-09 07:24:06 UTC
  std::string local;  // 2026-12-09 08:24:06 +01:00
  std::string stamp;  // 20261209-082406, local, for file names
};

class CheckMachine {
 public:
  virtual ~CheckMachine() = default;

  // ApexerCheck.exe itself: its full path and its folder (Apexer.exe stands in the same one).
  virtual std::string ProgramPath() = 0;
  virtual std::string ProgramFolder() = 0;

  // The whole file; false with the system's reason when it cannot be read.
  virtual bool ReadFile(const std::string& path, std::string& bytes, std::string& error) = 0;
  // The version of the file's version resource ("3.3.0.0"); empty when it has none.
  virtual std::string FileVersion(const std::string& path) = 0;
  // Where LoadLibrary would find a library of this name, the program's folder first; empty when nowhere.
  virtual std::string LocateLibrary(const std::string& name) = 0;
  // Whether the file could be written, found out without writing a byte; `how` says what was done and seen.
  virtual bool CanWrite(const std::string& path, std::string& how) = 0;
  // Creates or replaces the file with these bytes; false with the reason when it cannot.
  virtual bool WriteFile(const std::string& path, const std::string& bytes, std::string& error) = 0;
  // The user's local application-data folder for Apexer, made when missing; empty when there is none.
  virtual std::string LocalAppDataFolder() = 0;

  virtual std::string WindowsUser() = 0;
  virtual std::string ComputerName() = 0;
  virtual std::string WindowsVersion() = 0;
  virtual Moment Now() = 0;

  // Runs the call on another thread and waits for it up to timeoutMs. False when it has not returned by
  // then: the call is abandoned and never completes, so nothing it was given is touched afterwards.
  virtual bool CallWithin(const std::function<void()>& call, int timeoutMs) = 0;
  // The window's thread handles a message within timeoutMs (it is not hung).
  virtual bool WindowAnswers(Hwnd window, int timeoutMs) = 0;
  virtual std::uint32_t WindowProcessId(Hwnd window) = 0;
  // The executable of the process that owns the window; empty when it cannot be asked.
  virtual std::string WindowProgramPath(Hwnd window) = 0;

  // WinVerifyTrust on the file (Authenticode, no user interface, nothing fetched from the network), and
  // the chain it built for the signer held against the Authenticode chain policy.
  virtual TrustAnswer VerifySignature(const std::string& path) = 0;

  // Loads one of the host's libraries and binds every entry point as Apexer does; throws AppError (48 or
  // 453) as Apexer would report it. 0: the bridge, 1: the raw-data library, 2: the integrator.
  virtual void BindLibrary(int library) = 0;
};

}  // namespace apexer::check
