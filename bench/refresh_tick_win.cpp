// One refresh tick with 100 real windows of another process tracked, against
// the bare platform queries the tick must make, under the real window manager.
//
//   refresh_tick_win.exe [windows] [rounds]   (each round: ten runs of 20 ticks a side)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/window_engine.h"
#include "core/window_system_win.h"

namespace {

constexpr char kReadyEvent[] = "VelumixBenchWindowsReady";
constexpr char kQuitEvent[] = "VelumixBenchQuit";

// Every other title is Japanese: three bytes of UTF-8 a character.
int RunOwner(int count) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VelumixBenchWindow";
  ::RegisterClassW(&wc);
  for (int i = 0; i < count; ++i) {
    std::wstring title = (i % 2 ? L"\u30D9\u30F3\u30C1\u6587\u66F8 " : L"Bench document ") + std::to_wstring(i) +
                         (i % 2 ? L" - \u30A8\u30C7\u30A3\u30BF" : L" - Editor");
    HWND w = ::CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 10 + i, 10 + i, 200, 120,
                               nullptr, nullptr, wc.hInstance, nullptr);
    ::ShowWindow(w, SW_SHOWNOACTIVATE);
  }
  HANDLE ready = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, kReadyEvent);
  HANDLE quit = ::OpenEventA(SYNCHRONIZE, FALSE, kQuitEvent);
  ::SetEvent(ready);
  while (::MsgWaitForMultipleObjects(1, &quit, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
  }
  return 0;
}

class NullList final : public velumix::WindowList {
 public:
  void ResetContent() override { ++calls; }
  bool AddString(const char*) override { return ++calls > 0; }
  void EndRefill() override { ++calls; }
  long calls = 0;
};

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

template <typename F>
double BestOf(int rounds, int iterations, F&& f) {
  double best = 1e30;
  for (int r = 0; r < rounds; ++r) {
    LARGE_INTEGER a, b;
    ::QueryPerformanceCounter(&a);
    for (int i = 0; i < iterations; ++i) f();
    ::QueryPerformanceCounter(&b);
    best = std::min(best, Seconds(a, b) / iterations);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--owner") == 0) return RunOwner(std::atoi(argv[2]));
  int windows = argc > 1 ? std::atoi(argv[1]) : 100;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

  HANDLE ready = ::CreateEventA(nullptr, TRUE, FALSE, kReadyEvent);
  HANDLE quit = ::CreateEventA(nullptr, TRUE, FALSE, kQuitEvent);
  char self[MAX_PATH];
  ::GetModuleFileNameA(nullptr, self, sizeof self);
  std::string command = std::string("\"") + self + "\" --owner " + std::to_string(windows);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "cannot start the window owner\n");
    return 1;
  }
  ::WaitForSingleObject(ready, 30000);

  velumix::Win32WindowSystem system;
  velumix::WindowEngine engine(system);
  engine.FillTable();
  NullList list;
  engine.RefreshList(list, nullptr);  // settle once
  list.calls = 0;

  std::vector<velumix::WindowId> tracked;
  for (int i = 0; i < engine.table().count(); ++i) tracked.push_back(engine.table()[i].hwnd);
  const bool full = engine.table().count() >= velumix::kMaxTrackedWindows;

  // What the walk must ask, by place in the Z-order: the visibility of a
  // window that is not tracked, and the title of one of those that is visible.
  enum Ask : char { kNothing, kVisibility, kVisibilityAndTitle };
  std::vector<Ask> asks;
  for (velumix::WindowId w = system.TopWindow(); w != velumix::kNoWindow; w = system.NextWindow(w)) {
    asks.push_back(engine.table().Find(w) >= 0 ? kNothing : system.IsVisible(w) ? kVisibilityAndTitle : kVisibility);
  }

  // Short runs, many of them: the best of a run is the figure, and under
  // Wine a 200-tick run seldom gets through without the machine's noise.
  const int iterations = 20;
  char title[velumix::kTitleBufferSize];
  volatile bool sink = false;
  // One existence check and title read per tracked window, then the Z-order
  // walk, which a full table cuts short at its first window.
  auto bareQueries = [&] {
    for (velumix::WindowId w : tracked) sink = sink ^ system.ReadTitleIfExists(w, title);
    std::size_t at = 0;
    velumix::WindowId w = system.TopWindow();
    for (; w != velumix::kNoWindow && !full; w = system.NextWindow(w), ++at) {
      Ask ask = at < asks.size() ? asks[at] : kVisibilityAndTitle;
      if (ask != kNothing) sink = sink ^ system.IsVisible(w);
      if (ask == kVisibilityAndTitle) system.GetTitle(w, title);
    }
  };
  auto refreshTick = [&] { engine.RefreshList(list, nullptr); };
  // Of either, the part that turns the titles read from UTF-16 into UTF-8.
  std::vector<std::wstring> wideTitles;
  auto readWide = [&](velumix::WindowId w) {
    wchar_t wide[velumix::kTitleUnits + 1];
    wideTitles.emplace_back(wide, std::max(0, ::GetWindowTextW(velumix::ToHwnd(w), wide, velumix::kTitleUnits + 1)));
  };
  for (velumix::WindowId w : tracked) readWide(w);
  std::size_t at = 0;
  for (velumix::WindowId w = system.TopWindow(); w != velumix::kNoWindow && !full; w = system.NextWindow(w), ++at) {
    if (at < asks.size() && asks[at] == kVisibilityAndTitle) readWide(w);
  }
  auto conversion = [&] {
    for (const std::wstring& t : wideTitles) {
      velumix::TitleFromUtf16(t.data(), static_cast<int>(t.size()), title);
      sink = sink ^ (title[0] != '\0');
    }
  };
  // Interleaved, so that neither side gets the quieter moments of the machine.
  double tick = 1e30, bare = 1e30, convert = 1e30;
  for (int r = 0; r < rounds * 10; ++r) {
    bare = std::min(bare, BestOf(1, iterations, bareQueries));
    tick = std::min(tick, BestOf(1, iterations, refreshTick));
    convert = std::min(convert, BestOf(1, iterations, conversion));
  }

  std::printf("tracked windows: %d\n", engine.table().count());
  std::printf("refresh tick: %.1f us, bare platform queries: %.1f us\n", tick * 1e6, bare * 1e6);
  std::printf("refresh tick / bare queries = %.2f\n", tick / bare);
  std::printf("titles from UTF-16 to UTF-8: %.1f us for %zu titles\n", convert * 1e6, wideTitles.size());
  std::printf("list box calls during unchanged ticks: %ld\n", list.calls);

  ::SetEvent(quit);
  ::WaitForSingleObject(pi.hProcess, 10000);
  return list.calls == 0 ? 0 : 2;
}
