#include "bridge/journal.h"

#include <windows.h>

#include <cmath>

#include "bridge/host_settings.h"
#include "shared/win32/handle.h"

namespace standin {

JsonFields& JsonFields::Str(std::string_view key, std::string_view value) {
  return Value(key, ivdata::AnsiText(value));
}

JsonFields& JsonFields::Int(std::string_view key, int64_t value) { return Value(key, value); }

JsonFields& JsonFields::Num(std::string_view key, double value) { return Value(key, ivdata::Number(value, 9)); }

JsonFields& JsonFields::Bool(std::string_view key, bool value) { return Value(key, value); }

JsonFields& JsonFields::Value(std::string_view key, ivdata::Json value) {
  fields_[std::string(key)] = std::move(value);
  return *this;
}

namespace {

// Milliseconds since 1970, so lines of both processes sort on one clock.
int64_t NowMs() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  ULARGE_INTEGER u;
  u.LowPart = ft.dwLowDateTime;
  u.HighPart = ft.dwHighDateTime;
  return static_cast<int64_t>(u.QuadPart / 10000ULL) - 11644473600000LL;
}

// Monotonic and shared by every process of the machine, for intervals finer than a millisecond.
double MonotonicMs() {
  LARGE_INTEGER c, f;
  QueryPerformanceCounter(&c);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(c.QuadPart / f.QuadPart) * 1000.0 +
         static_cast<double>(c.QuadPart % f.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

}  // namespace

void Journal(const char* source, const char* event, const JsonFields& fields) {
  std::string path = IniString(kSecStandin, "Journal");
  if (path.empty()) return;
  ivdata::Json head = {{"t", NowMs()},
                       {"tq", std::round(MonotonicMs() * 1000.0) / 1000.0},  // to the microsecond, always a fraction
                       {"pid", GetCurrentProcessId()},
                       {"src", ivdata::AnsiText(source)},
                       {"ev", ivdata::AnsiText(event)}};
  for (const auto& [key, value] : fields.Fields().items()) head[key] = value;
  const std::string line = ivdata::JsonLine(head);

  // One lock for both processes, opened once per process; each line is opened, appended and closed under it.
  static const HANDLE lock = CreateMutexA(nullptr, FALSE, "ApexerStandinJournalLock");
  DWORD waited = lock ? WaitForSingleObject(lock, 5000) : WAIT_FAILED;
  bool owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  const shared::win32::ScopedHandle f(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (f.valid()) {
    DWORD written = 0;
    WriteFile(f.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  if (owned) ReleaseMutex(lock);
}

}  // namespace standin
