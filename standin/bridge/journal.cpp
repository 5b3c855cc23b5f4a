#include "bridge/journal.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

#include "bridge/host_settings.h"

namespace standin {

std::string JsonQuote(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          // Bytes of the ANSI code page are kept visible as escapes, not re-encoded.
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          out += esc;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

void JsonFields::Key(std::string_view key) {
  body_ += ',';
  body_ += JsonQuote(key);
  body_ += ':';
}

JsonFields& JsonFields::Str(std::string_view key, std::string_view value) {
  Key(key);
  body_ += JsonQuote(value);
  return *this;
}

JsonFields& JsonFields::Int(std::string_view key, int64_t value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

JsonFields& JsonFields::Num(std::string_view key, double value) {
  Key(key);
  if (!std::isfinite(value)) {
    body_ += "null";
  } else {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", value);
    body_ += buf;
  }
  return *this;
}

JsonFields& JsonFields::Bool(std::string_view key, bool value) {
  Key(key);
  body_ += value ? "true" : "false";
  return *this;
}

JsonFields& JsonFields::Raw(std::string_view key, std::string_view json) {
  Key(key);
  body_ += json;
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
  char mono[32];
  std::snprintf(mono, sizeof mono, "%.3f", MonotonicMs());
  std::string line = "{\"t\":" + std::to_string(NowMs()) + ",\"tq\":" + mono + ",\"pid\":" + std::to_string(GetCurrentProcessId()) +
                     ",\"src\":" + JsonQuote(source) + ",\"ev\":" + JsonQuote(event) + fields.Body() + "}\n";

  // One lock for both processes, opened once per process; each line is opened, appended and closed under it.
  static const HANDLE lock = CreateMutexA(nullptr, FALSE, "ApexerStandinJournalLock");
  DWORD waited = lock ? WaitForSingleObject(lock, 5000) : WAIT_FAILED;
  bool owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
  }
  if (owned) ReleaseMutex(lock);
}

}  // namespace standin
