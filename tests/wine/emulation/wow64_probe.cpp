// Tells how a Windows process runs under Wine, for the checks of the emulated 32-bit side:
//   wow64_probe info               "bits=32 wow64=1 reserve_512mb=1" (whether 512 MB could be reserved at once)
//   wow64_probe spawn EXE [ARGS]   runs EXE ARGS, passes its output through, prints "child_exit=N"
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// 32-bit code lives below 2 GB, where Wine's own DLLs leave about 570 MB in one piece. The emulated loader
// must hand the ranges it reserved there to Wine; a process that cannot use them finds no such piece.
bool CanReserve512Mb() {
  void* block = VirtualAlloc(nullptr, SIZE_T{512} << 20, MEM_RESERVE, PAGE_NOACCESS);
  if (block == nullptr) return false;
  VirtualFree(block, 0, MEM_RELEASE);
  return true;
}

int Info() {
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  std::printf("bits=%d wow64=%d reserve_512mb=%d\n", static_cast<int>(sizeof(void*) * 8), wow64 ? 1 : 0,
              CanReserve512Mb() ? 1 : 0);
  return 0;
}

int Spawn(int argc, char** argv) {
  std::string line;
  for (int i = 2; i < argc; ++i) line += (i > 2 ? " \"" : "\"") + std::string(argv[i]) + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::fflush(stdout);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("spawn_failed=%lu\n", GetLastError());
    return 1;
  }
  WaitForSingleObject(pi.hProcess, 120000);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::printf("child_exit=%lu\n", code);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "info") return Info();
  if (mode == "spawn" && argc > 2) return Spawn(argc, argv);
  std::fprintf(stderr, "usage: wow64_probe info | spawn EXE [ARGS]\n");
  return 2;
}
