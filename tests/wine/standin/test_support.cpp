#include "test_support.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "ivdata/json.h"

namespace standin_test {

namespace {
const char* const kIni = "C:\\Ionvane\\Ionvane.ini";

template <typename F>
bool Bind(HMODULE m, const char* name, F& f, std::string& missing) {
  f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
  if (!f) missing += std::string(missing.empty() ? "" : ", ") + name;
  return f != nullptr;
}
}  // namespace

bool HostLibraries::Load(const std::string& dir, std::string& missing) {
  vb = LoadLibraryA((dir + "\\Iv_vb32.dll").c_str());
  raw = LoadLibraryA((dir + "\\ivraw32.dll").c_str());
  peak = LoadLibraryA((dir + "\\ivpeak32.dll").c_str());
  if (!vb || !raw || !peak) {
    missing = "a library did not load";
    return false;
  }
  Bind(vb, "GetSampleListFileVB", GetSampleListFileVB, missing);
  Bind(vb, "GetApplicationWnd", GetApplicationWnd, missing);
  Bind(vb, "GetGlobalFile", GetGlobalFile, missing);
  Bind(vb, "IonvaneCommand", IonvaneCommand, missing);
  Bind(vb, "CopyMemVB", CopyMemVB, missing);
  Bind(raw, "DmRawReadHeaderVB", DmRawReadHeaderVB, missing);
  Bind(raw, "DmRawScansInFunction", DmRawScansInFunction, missing);
  Bind(raw, "DmRawTimeToScan", DmRawTimeToScan, missing);
  Bind(raw, "DmRawIsAnalogTraceDesc", DmRawIsAnalogTraceDesc, missing);
  Bind(raw, "DmRawStrToMass", DmRawStrToMass, missing);
  Bind(raw, "DmRawClose", DmRawClose, missing);
  Bind(peak, "IntegrateGetIniFile", IntegrateGetIniFile, missing);
  Bind(peak, "IntegrateChromatogramRange", IntegrateChromatogramRange, missing);
  return missing.empty();
}

void SetHostIni(const char* section, const char* key, const char* value) {
  CreateDirectoryA("C:\\Ionvane", nullptr);
  WritePrivateProfileStringA(section, key, value, kIni);
}

void SetFault(shared::HostFault fault, const char* value) {
  SetHostIni(shared::kHostFaultSection, shared::FaultName(fault), value);
}

void ClearFaultsAndDelays() {
  WritePrivateProfileStringA(shared::kHostFaultSection, nullptr, nullptr, kIni);
  WritePrivateProfileStringA("StandinDelays", nullptr, nullptr, kIni);
}

bool HostProcess::Launch(const std::string& exe, const std::string& sample) {
  std::string cmd = "\"" + exe + "\" \"" + sample + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != FALSE;
}

bool HostProcess::Start(const std::string& exe, const std::string& sample, HostLibraries& libs, int timeoutMs) {
  if (!Launch(exe, sample)) return false;
  return WaitUntil([&] { return libs.GetApplicationWnd(0) != 0 || !Running(); }, timeoutMs) && Running();
}

bool HostProcess::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool HostProcess::WaitExit(int timeoutMs) {
  return !pi_.hProcess || WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

DWORD HostProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (pi_.hProcess) GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

bool HostProcess::Stop(HostLibraries& libs, int timeoutMs) {
  if (!Running()) return true;
  if (LONG main = libs.GetApplicationWnd(0))
    PostMessageA(standin::HwndFromLong(static_cast<uint32_t>(main)), WM_CLOSE, 0, 0);
  if (WaitExit(timeoutMs)) return true;
  TerminateProcess(pi_.hProcess, 9);
  WaitExit(5000);
  return false;
}

bool HostProcess::End(int timeoutMs) {
  if (!Running()) return true;
  TerminateProcess(pi_.hProcess, 9);
  return WaitExit(timeoutMs);
}

HostProcess::~HostProcess() {
  if (Running()) {
    TerminateProcess(pi_.hProcess, 9);
    WaitExit(5000);
  }
  if (pi_.hProcess) CloseHandle(pi_.hProcess);
  if (pi_.hThread) CloseHandle(pi_.hThread);
}

HWND FindTop(const char* title) {
  HWND h = FindWindowA(nullptr, title);
  return h && IsWindowVisible(h) ? h : nullptr;
}

HWND WaitForTop(const char* title, int timeoutMs) {
  HWND h = nullptr;
  WaitUntil([&] { return (h = FindTop(title)) != nullptr; }, timeoutMs);
  return h;
}

bool WaitUntilGone(const char* title, int timeoutMs) {
  return WaitUntil([&] { return FindWindowA(nullptr, title) == nullptr; }, timeoutMs);
}

std::string JournalPath() {
  char buf[MAX_PATH] = {};
  GetPrivateProfileStringA("Standin", "Journal", "", buf, sizeof buf, kIni);
  return buf;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

size_t JournalSize() { return ReadFileBytes(JournalPath()).size(); }

std::vector<std::string> JournalLinesSince(size_t offset, const char* event) {
  std::string all = ReadFileBytes(JournalPath());
  std::vector<std::string> out;
  std::istringstream in(offset < all.size() ? all.substr(offset) : std::string());
  for (std::string line; std::getline(in, line);) {
    const ivdata::Json parsed = ivdata::Json::parse(line, nullptr, false);
    if (parsed.is_object() && parsed.value("ev", "") == event) out.push_back(line);
  }
  return out;
}

std::vector<std::string> JournalLines(const char* event) { return JournalLinesSince(0, event); }

std::string JsonValue(const std::string& line, const char* key) {
  const ivdata::Json parsed = ivdata::Json::parse(line, nullptr, false);
  if (!parsed.is_object() || !parsed.contains(key)) return "";
  const ivdata::Json& value = parsed[key];
  return value.is_string() ? ivdata::AnsiOf(value) : value.dump();
}

}  // namespace standin_test
