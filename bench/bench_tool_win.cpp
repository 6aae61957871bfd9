// Timings taken from inside the Windows side, for scripts/bench.py:
//
//   bench_tool startup EXE DIR           ms from CreateProcess to its first visible
//                                        top-level window; the program is then ended
//   bench_tool command HWND ID [N]       ms one WM_COMMAND takes, sent and answered
//                                        (best of N)
//   bench_tool memory PID                working set and peak working set, in KB
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == search->pid && ::IsWindowVisible(hwnd)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

int Startup(const char* exe, const char* dir) {
  std::string command = std::string("\"") + exe + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  double start = Now();
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, dir, &si, &pi)) {
    std::fprintf(stderr, "cannot start %s: %lu\n", exe, ::GetLastError());
    return 1;
  }
  Search search{pi.dwProcessId, nullptr};
  while (!search.found && Now() - start < 60000) {
    ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    if (!search.found) ::Sleep(1);
  }
  double elapsed = Now() - start;
  ::TerminateProcess(pi.hProcess, 0);
  ::WaitForSingleObject(pi.hProcess, 10000);
  if (!search.found) {
    std::fprintf(stderr, "no window from %s\n", exe);
    return 1;
  }
  std::printf("startup\t%.1f\n", elapsed);
  return 0;
}

int Command(const char* hwndText, const char* idText, int runs) {
  HWND hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(hwndText, nullptr, 0)));
  WPARAM id = static_cast<WPARAM>(std::strtoul(idText, nullptr, 0));
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    double start = Now();
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(hwnd, WM_COMMAND, id, 0, SMTO_NORMAL, 30000, &result)) return 1;
    best = std::min(best, Now() - start);
  }
  std::printf("command\t%.2f\n", best);
  return 0;
}

int Memory(DWORD pid) {
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return 1;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  BOOL ok = ::GetProcessMemoryInfo(process, &counters, sizeof counters);
  ::CloseHandle(process);
  if (!ok) return 1;
  std::printf("memory\t%zu\t%zu\n", counters.WorkingSetSize / 1024, counters.PeakWorkingSetSize / 1024);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "startup") == 0) return Startup(argv[2], argv[3]);
  if (argc >= 4 && std::strcmp(argv[1], "command") == 0) return Command(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 1);
  if (argc == 3 && std::strcmp(argv[1], "memory") == 0) return Memory(std::strtoul(argv[2], nullptr, 0));
  std::fprintf(stderr, "usage: bench_tool startup EXE DIR | command HWND ID [N] | memory PID\n");
  return 2;
}
