#include "check/win32/win32_check_machine.h"

#include <shlobj.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace apexer::check::win32 {

// One thread that runs the calls handed to it. A call that does not return in time leaves its worker
// suspended for good, so the call can never touch what it was given after the caller has gone on.
struct Win32CheckMachine::Worker {
  HANDLE thread = nullptr;
  HANDLE ready = nullptr;
  HANDLE done = nullptr;
  const std::function<void()>* job = nullptr;
  std::atomic<bool> busy{false};

  static DWORD WINAPI Main(LPVOID self) {
    auto* w = static_cast<Worker*>(self);
    for (;;) {
      WaitForSingleObject(w->ready, INFINITE);
      (*w->job)();
      SetEvent(w->done);
    }
  }
  Worker() {
    ready = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, Main, this, 0, nullptr);
  }
};

Win32CheckMachine::~Win32CheckMachine() = default;  // workers end with the process

std::string SystemErrorText(DWORD code) {
  char text[512] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                 sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
  return (s.empty() ? "error" : s) + " (" + std::to_string(code) + ")";
}

std::string TrustResultText(LONG code) {
  static const std::pair<DWORD, const char*> kNames[] = {
      {0, "accepted"},
      {0x800B0100, "TRUST_E_NOSIGNATURE"},
      {0x800B0101, "CERT_E_EXPIRED"},
      {0x800B0109, "CERT_E_UNTRUSTEDROOT"},
      {0x800B010A, "CERT_E_CHAINING"},
      {0x800B010C, "CERT_E_REVOKED"},
      {0x800B0110, "CERT_E_WRONG_USAGE"},
      {0x800B0111, "TRUST_E_EXPLICIT_DISTRUST"},
      {0x800B0004, "TRUST_E_SUBJECT_NOT_TRUSTED"},
      {0x80096010, "TRUST_E_BAD_DIGEST"},
      {0x80096004, "TRUST_E_CERT_SIGNATURE"},
      {0x80096019, "TRUST_E_BASIC_CONSTRAINTS"},
      {0x80090006, "NTE_BAD_SIGNATURE"},
  };
  const DWORD value = static_cast<DWORD>(code);
  if (value == 0) return "accepted (0)";
  std::string name;
  for (const auto& [known, text] : kNames) {
    if (known == value) name = std::string(text) + ", ";
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(value));
  char words[512] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, value, 0, words,
                                 sizeof words, nullptr);
  std::string said(words, n);
  while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' ' || said.back() == '.')) {
    said.pop_back();
  }
  return name + hex + (said.empty() ? "" : ": " + said);
}

std::string Win32CheckMachine::ProgramPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32CheckMachine::ProgramFolder() {
  const std::string path = ProgramPath();
  return path.substr(0, path.find_last_of("\\/"));
}

bool Win32CheckMachine::ReadFile(const std::string& path, std::string& bytes, std::string& error) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    error = SystemErrorText(GetLastError());
    return false;
  }
  bytes.clear();
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ::ReadFile(f, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) bytes.append(buffer, got);
  if (!ok) error = SystemErrorText(GetLastError());
  CloseHandle(f);
  return ok;
}

std::string Win32CheckMachine::FileVersion(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return "";
  std::vector<char> data(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || info == nullptr) {
    return "";
  }
  return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

std::string Win32CheckMachine::LocateLibrary(const std::string& name) {
  // The folder of the program first, as LoadLibrary searches; then the system's search path.
  const std::string beside = ProgramFolder() + "\\" + name;
  if (GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES) return beside;
  char found[MAX_PATH];
  const DWORD n = SearchPathA(nullptr, name.c_str(), nullptr, MAX_PATH, found, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(found, n) : "";
}

bool Win32CheckMachine::CanWrite(const std::string& path, std::string& how) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    how = "its attributes cannot be read: " + SystemErrorText(GetLastError());
    return false;
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    how = "the file is marked read-only";
    return false;
  }
  // Opened for writing as it stands, and closed again without a byte written: the file keeps its bytes
  // and its time; only a refusal (the folder's permissions, another program holding it) says anything.
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    how = "not read-only, but it cannot be opened for writing: " + SystemErrorText(code) +
          (code == ERROR_SHARING_VIOLATION ? ", another program holds it open" : "");
    return false;
  }
  CloseHandle(f);
  how = "not read-only; opened for writing (GENERIC_WRITE, OPEN_EXISTING) and closed without writing a byte";
  return true;
}

bool Win32CheckMachine::WriteFile(const std::string& path, const std::string& bytes, std::string& error) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    error = SystemErrorText(GetLastError());
    return false;
  }
  DWORD written = 0;
  const bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE &&
                  written == bytes.size();
  if (!ok) error = SystemErrorText(GetLastError());
  CloseHandle(f);
  if (!ok) DeleteFileA(path.c_str());
  return ok;
}

std::string Win32CheckMachine::LocalAppDataFolder() {
  char base[MAX_PATH];
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base))) {
    return "";
  }
  const std::string folder = std::string(base) + "\\Apexer";
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return "";
  return folder;
}

std::string Win32CheckMachine::WindowsUser() {
  char name[256];
  DWORD size = sizeof name;
  return GetUserNameA(name, &size) ? std::string(name) : "(unknown)";
}

std::string Win32CheckMachine::ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : "(unknown)";
}

std::string Win32CheckMachine::WindowsVersion() {
  // GetVersionEx answers for the version a program's manifest names; the kernel tells the truth.
  struct OsVersion {
    ULONG size, major, minor, build, platform;
    WCHAR servicePack[128];
  } v{};
  v.size = sizeof v;
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  using RtlGetVersionFn = LONG(WINAPI*)(OsVersion*);
  using WineVersionFn = const char*(CDECL*)();
  const auto rtl = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlGetVersion")));
  std::string text = "Windows";
  if (rtl != nullptr && rtl(&v) == 0) {
    text += " " + std::to_string(v.major) + "." + std::to_string(v.minor) + " build " + std::to_string(v.build);
  }
  text += sizeof(void*) == 4 ? (IsWow64() ? ", 64-bit (this program 32-bit)" : ", 32-bit") : ", 64-bit";
  const auto wine = reinterpret_cast<WineVersionFn>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "wine_get_version")));
  if (wine != nullptr) text += std::string(" (Wine ") + wine() + ")";
  return text;
}

bool Win32CheckMachine::IsWow64() {
  BOOL wow = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow) && wow;
}

Moment Win32CheckMachine::Now() {
  SYSTEMTIME utc, local;
  GetSystemTime(&utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  FILETIME fu, fl;
  SystemTimeToFileTime(&utc, &fu);
  SystemTimeToFileTime(&local, &fl);
  const auto ticks = [](const FILETIME& f) {
    return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
  };
  const long long offsetMinutes = (ticks(fl) - ticks(fu)) / 600000000LL;
  char u[64], l[64], s[32];
  std::snprintf(u, sizeof u, "%04u-%02u-%02u %02u:%02u:%02u UTC", utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute,
                utc.wSecond);
  const long long a = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  std::snprintf(l, sizeof l, "%04u-%02u-%02u %02u:%02u:%02u %c%02lld:%02lld", local.wYear, local.wMonth, local.wDay,
                local.wHour, local.wMinute, local.wSecond, offsetMinutes < 0 ? '-' : '+', a / 60, a % 60);
  std::snprintf(s, sizeof s, "%04u%02u%02u-%02u%02u%02u", local.wYear, local.wMonth, local.wDay, local.wHour,
                local.wMinute, local.wSecond);
  return {u, l, s};
}

bool Win32CheckMachine::CallWithin(const std::function<void()>& call, int timeoutMs) {
  // A worker busy with a call that a stopped thread was waiting for is left to it.
  if (worker_ == nullptr || worker_->busy.load()) worker_ = new Worker();
  Worker* w = worker_;
  if (w->thread == nullptr) return false;
  w->busy.store(true);
  w->job = &call;
  SetEvent(w->ready);
  if (WaitForSingleObject(w->done, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
    SuspendThread(w->thread);
    worker_ = nullptr;
    return false;
  }
  w->busy.store(false);
  return true;
}

bool Win32CheckMachine::WindowAnswers(Hwnd window, int timeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(apexer::win32::ToHwnd(window), WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             static_cast<UINT>(timeoutMs), &result) != 0;
}

std::uint32_t Win32CheckMachine::WindowProcessId(Hwnd window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(apexer::win32::ToHwnd(window), &pid);
  return pid;
}

std::string Win32CheckMachine::WindowProgramPath(Hwnd window) {
  const DWORD pid = WindowProcessId(window);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return "";
  char path[MAX_PATH * 2];
  DWORD size = sizeof path;
  const bool ok = QueryFullProcessImageNameA(process, 0, path, &size) != FALSE;
  CloseHandle(process);
  return ok ? std::string(path, size) : "";
}

TrustAnswer Win32CheckMachine::VerifySignature(const std::string& path) {
  TrustAnswer answer;
  std::wstring wide(path.size() + 1, L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<std::size_t>(n - 1) : 0);
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = wide.c_str();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  // A laboratory's computer may have no network: nothing is fetched while the check runs.
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  answer.verify = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  answer.verifyText = TrustResultText(answer.verify);
  // Wine's WinVerifyTrust accepts a chain that ends in a root nobody trusts; the chain it built says so.
  CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
  CRYPT_PROVIDER_SGNR* signer = provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
  if (signer != nullptr && signer->pChainContext != nullptr && signer->pChainContext->cChain > 0) {
    answer.chainBuilt = true;
    CERT_CHAIN_POLICY_PARA para{};
    para.cbSize = sizeof para;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    answer.chain = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_AUTHENTICODE, signer->pChainContext, &para,
                                                    &status)
                       ? static_cast<std::int32_t>(status.dwError)
                       : static_cast<std::int32_t>(HRESULT_FROM_WIN32(GetLastError()));
    answer.chainText = TrustResultText(answer.chain);
    const CERT_SIMPLE_CHAIN* simple = signer->pChainContext->rgpChain[signer->pChainContext->cChain - 1];
    if (simple->cElement > 0) {
      char name[256] = {};
      CertGetNameStringA(simple->rgpElement[simple->cElement - 1]->pCertContext, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0,
                         nullptr, name, sizeof name);
      answer.root = name;
    }
  } else {
    answer.chainText = "WinVerifyTrust built no certificate chain for a signer";
  }
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return answer;
}

void Win32CheckMachine::BindLibrary(int library) {
  if (host_ != nullptr) host_->Bind(library);
}

}  // namespace apexer::check::win32
