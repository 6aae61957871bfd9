// Timings taken from inside the Windows side, for scripts/bench.py:
//
//   bench_tool startup EXE DIR           ms from CreateProcess to its first visible
//                                        top-level window; the program is then ended
//   bench_tool command HWND ID [N]       ms one WM_COMMAND takes, sent and answered
//                                        (best of N)
//   bench_tool memory PID                working set and peak working set, in KB
//   bench_tool show-async PID PREFIX SW  the same windows asked with ShowWindowAsync(SW)
//                                        one after the other: ms the requests took,
//                                        ms until all had the visibility asked for
//   bench_tool hide-show HWND HIDE SHOW PID PREFIX
//                                        the windows' Z-order noted, WM_COMMAND HIDE
//                                        until all are hidden, then WM_COMMAND SHOW:
//                                        ms the hide took to be answered, ms the show
//                                        took, ms until all were visible, and until
//                                        all were visible in the order noted
//   bench_tool restack-async PID PREFIX  the same from outside: the order noted, all
//                                        hidden with ShowWindowAsync, then each put
//                                        below the one above it and shown, both
//                                        posted: ms the requests took, ms until all
//                                        were visible in the order noted
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
  // SIZE_T is unsigned long on 32-bit mingw, not size_t
  std::printf("memory\t%zu\t%zu\n", static_cast<size_t>(counters.WorkingSetSize / 1024),
              static_cast<size_t>(counters.PeakWorkingSetSize / 1024));
  return 0;
}

struct Targets {
  DWORD pid;
  const char* prefix;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectTarget(HWND hwnd, LPARAM lParam) {
  auto* targets = reinterpret_cast<Targets*>(lParam);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  char title[256];
  if (pid == targets->pid && ::GetWindowTextA(hwnd, title, sizeof title) > 0 &&
      std::strncmp(title, targets->prefix, std::strlen(targets->prefix)) == 0) {
    targets->windows.push_back(hwnd);
  }
  return TRUE;
}

// Watches the windows from `start` on until all of them have the visibility
// asked for. It asks about one window at a time, the first not there yet, so
// that the watching adds next to nothing to the window manager's work.
struct Watch {
  const std::vector<HWND>* windows;
  bool visible;
  double start;
  bool ordered = false;  // then also until they stand in the order of `windows`
  double done = -1;
  double visibleAt = -1;
};

BOOL CALLBACK CollectAll(HWND hwnd, LPARAM lParam) {
  reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
  return TRUE;
}

// Whether the windows stand in the desktop's Z-order as `windows` lists them.
bool InOrder(const std::vector<HWND>& windows) {
  std::vector<HWND> all;
  ::EnumDesktopWindows(nullptr, CollectAll, reinterpret_cast<LPARAM>(&all));
  std::size_t next = 0;
  for (HWND w : all) {
    if (next < windows.size() && w == windows[next]) ++next;
  }
  return next == windows.size();
}

DWORD WINAPI WatchWindows(void* parameter) {
  auto* watch = static_cast<Watch*>(parameter);
  std::size_t next = 0;
  while (Now() - watch->start < 60000) {
    while (next < watch->windows->size() &&
           (::IsWindowVisible((*watch->windows)[next]) != FALSE) == watch->visible) {
      ++next;
    }
    if (next == watch->windows->size()) {
      // one more pass: a window met early may have changed back since
      bool all = std::all_of(watch->windows->begin(), watch->windows->end(),
                             [&](HWND w) { return (::IsWindowVisible(w) != FALSE) == watch->visible; });
      if (all && watch->visibleAt < 0) watch->visibleAt = Now() - watch->start;
      if (all && (!watch->ordered || InOrder(*watch->windows))) {
        watch->done = Now() - watch->start;
        return 0;
      }
      next = 0;
    }
    ::Sleep(1);
  }
  return 1;
}

bool FindTargets(Targets& targets) {
  ::EnumDesktopWindows(nullptr, CollectTarget, reinterpret_cast<LPARAM>(&targets));
  if (targets.windows.empty()) {
    std::fprintf(stderr, "no window of process %lu titled %s...\n", targets.pid, targets.prefix);
    return false;
  }
  return true;
}

double Finish(HANDLE thread, const Watch& watch) {
  ::WaitForSingleObject(thread, 70000);
  ::CloseHandle(thread);
  return watch.done;
}

int ShowAsync(DWORD pid, const char* prefix, int command) {
  Targets targets{pid, prefix, {}};
  if (!FindTargets(targets)) return 1;
  Watch watch{&targets.windows, command != SW_HIDE, Now()};
  HANDLE thread = ::CreateThread(nullptr, 0, WatchWindows, &watch, 0, nullptr);
  for (HWND w : targets.windows) ::ShowWindowAsync(w, command);
  double asked = Now() - watch.start;
  double done = Finish(thread, watch);
  if (done < 0) return 1;
  std::printf("show-async\t%.1f\t%.1f\t%zu\n", asked, done, targets.windows.size());
  return 0;
}

// Until the watch is done: the windows all hidden, or shown (and in order).
double Watched(Watch& watch) {
  HANDLE thread = ::CreateThread(nullptr, 0, WatchWindows, &watch, 0, nullptr);
  return Finish(thread, watch);
}

bool AllHidden(const std::vector<HWND>& windows) {
  Watch hidden{&windows, false, Now()};
  if (Watched(hidden) < 0) return false;
  ::Sleep(500);  // let the owner's own work on the hides settle
  return true;
}

int HideShow(HWND hwnd, WPARAM hideId, WPARAM showId, DWORD pid, const char* prefix) {
  Targets targets{pid, prefix, {}};
  if (!FindTargets(targets)) return 1;
  DWORD_PTR result = 0;
  double start = Now();
  if (!::SendMessageTimeoutA(hwnd, WM_COMMAND, hideId, 0, SMTO_NORMAL, 30000, &result)) return 1;
  double hideAnswered = Now() - start;
  if (!AllHidden(targets.windows)) return 1;
  Watch shown{&targets.windows, true, Now(), true};
  HANDLE thread = ::CreateThread(nullptr, 0, WatchWindows, &shown, 0, nullptr);
  if (!::SendMessageTimeoutA(hwnd, WM_COMMAND, showId, 0, SMTO_NORMAL, 30000, &result)) return 1;
  double showAnswered = Now() - shown.start;
  if (Finish(thread, shown) < 0) return 1;
  std::printf("hide-show\t%.1f\t%.1f\t%.1f\t%.1f\t%zu\n", hideAnswered, showAnswered, shown.visibleAt, shown.done,
              targets.windows.size());
  return 0;
}

int RestackAsync(DWORD pid, const char* prefix) {
  Targets targets{pid, prefix, {}};
  if (!FindTargets(targets)) return 1;
  for (HWND w : targets.windows) ::ShowWindowAsync(w, SW_HIDE);
  if (!AllHidden(targets.windows)) return 1;
  Watch shown{&targets.windows, true, Now(), true};
  HANDLE thread = ::CreateThread(nullptr, 0, WatchWindows, &shown, 0, nullptr);
  constexpr UINT kFlags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS;
  HWND above = HWND_TOP;
  for (HWND w : targets.windows) {
    ::SetWindowPos(w, above, 0, 0, 0, 0, kFlags);
    ::SetWindowPos(w, nullptr, 0, 0, 0, 0, kFlags | SWP_NOZORDER | SWP_SHOWWINDOW);
    above = w;
  }
  double asked = Now() - shown.start;
  if (Finish(thread, shown) < 0) return 1;
  std::printf("restack-async\t%.1f\t%.1f\t%zu\n", asked, shown.done, targets.windows.size());
  return 0;
}

HWND HandleFrom(const char* text) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 0)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "startup") == 0) return Startup(argv[2], argv[3]);
  if (argc >= 4 && std::strcmp(argv[1], "command") == 0) return Command(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 1);
  if (argc == 3 && std::strcmp(argv[1], "memory") == 0) return Memory(std::strtoul(argv[2], nullptr, 0));
  if (argc == 5 && std::strcmp(argv[1], "show-async") == 0) {
    return ShowAsync(std::strtoul(argv[2], nullptr, 0), argv[3], std::atoi(argv[4]));
  }
  if (argc == 7 && std::strcmp(argv[1], "hide-show") == 0) {
    return HideShow(HandleFrom(argv[2]), std::strtoul(argv[3], nullptr, 0), std::strtoul(argv[4], nullptr, 0),
                    std::strtoul(argv[5], nullptr, 0), argv[6]);
  }
  if (argc == 4 && std::strcmp(argv[1], "restack-async") == 0) {
    return RestackAsync(std::strtoul(argv[2], nullptr, 0), argv[3]);
  }
  std::fprintf(stderr,
               "usage: bench_tool startup EXE DIR | command HWND ID [N] | memory PID |\n"
               "       show-async PID PREFIX SW |\n"
               "       hide-show HWND HIDE SHOW PID PREFIX | restack-async PID PREFIX\n");
  return 2;
}
