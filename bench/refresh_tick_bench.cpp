// What one list-refresh tick on an unchanged desktop costs, against the bare
// platform queries such a tick stands on.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/window_engine.h"

namespace {

using namespace velumix;

// Window ids are positions in the Z-order plus one, so every query is a
// plain array access.
class FastWindowSystem : public WindowSystem {
 public:
  struct Window {
    bool visible;
    std::size_t length;
    char title[kTitleBufferSize];
  };

  void Add(const std::string& title, bool visible) {
    Window w{visible, title.size(), {}};
    std::memcpy(w.title, title.c_str(), title.size() + 1);
    m_windows.push_back(w);
  }

  WindowId TopWindow() override {
    ++m_queries;
    return m_windows.empty() ? kNoWindow : 1;
  }
  WindowId NextWindow(WindowId window) override {
    ++m_queries;
    return window < m_windows.size() ? window + 1 : kNoWindow;
  }
  bool IsVisible(WindowId window) override {
    ++m_queries;
    return Valid(window) && m_windows[window - 1].visible;
  }
  bool Exists(WindowId window) override {
    ++m_queries;
    return Valid(window);
  }
  void GetTitle(WindowId window, char (&title)[kTitleBufferSize]) override {
    ++m_queries;
    const Window& w = m_windows[window - 1];
    std::memcpy(title, w.title, w.length + 1);
  }
  void ReadClassName(WindowId, char (&name)[kClassBufferSize]) override { name[0] = '\0'; }
  bool Show(WindowId, ShowCommand) override { return ++m_queries, true; }
  bool PlaceBelow(WindowId, WindowId) override { return ++m_queries, true; }
  bool ShowBelow(WindowId, WindowId) override { return ++m_queries, true; }
  void Activate(WindowId) override {}
  WindowId Foreground() override {
    ++m_queries;
    return kNoWindow;
  }
  ProcessId ProcessOf(WindowId window) override { return ++m_queries, Valid(window) ? 2 : 0; }
  ProcessId OwnProcess() override { return 1; }
  std::u16string ProgramFileName(WindowId) override { return u"other.exe"; }

  std::size_t size() const { return m_windows.size(); }
  long m_queries = 0;

 private:
  bool Valid(WindowId window) const { return window >= 1 && window <= m_windows.size(); }
  std::vector<Window> m_windows;
};

class CountingList : public WindowList {
 public:
  void ResetContent() override { ++m_calls; }
  bool AddString(const char*) override {
    ++m_calls;
    return true;
  }
  void EndRefill() override { ++m_calls; }
  long m_calls = 0;
};

// 100 visible titled windows with a few invisible ones between them.
void BuildDesktop(FastWindowSystem& desktop) {
  for (int i = 0; i < kMaxTrackedWindows; ++i) {
    if (i % 25 == 12) desktop.Add("Tool tip " + std::to_string(i), false);
    desktop.Add("Document " + std::to_string(i) + " - Some Editor", true);
  }
}

void RefreshTick(benchmark::State& state) {
  FastWindowSystem desktop;
  BuildDesktop(desktop);
  WindowEngine engine(desktop);
  engine.FillTable();
  CountingList list;
  desktop.m_queries = 0;
  for (auto _ : state) benchmark::DoNotOptimize(engine.RefreshList(list, nullptr));
  if (list.m_calls != 0) state.SkipWithError("an unchanged tick touched the list");
  state.counters["queries"] = benchmark::Counter(static_cast<double>(desktop.m_queries), benchmark::Counter::kAvgIterations);
}

void BarePlatformQueries(benchmark::State& state) {
  FastWindowSystem desktop;
  BuildDesktop(desktop);
  WindowEngine engine(desktop);
  engine.FillTable();
  std::vector<WindowId> tracked;
  for (int i = 0; i < engine.table().count(); ++i) tracked.push_back(engine.table()[i].hwnd);
  // Called through the interface, as the engine does, not devirtualised.
  WindowSystem* windows = &desktop;
  benchmark::DoNotOptimize(windows);
  desktop.m_queries = 0;
  char title[kTitleBufferSize];
  // One existence check and title read per tracked window, then the Z-order
  // walk, which a full table cuts short at its first window.
  const bool full = engine.table().count() >= kMaxTrackedWindows;
  for (auto _ : state) {
    for (WindowId w : tracked) {
      benchmark::DoNotOptimize(windows->ReadTitleIfExists(w, title));
      benchmark::DoNotOptimize(title);
    }
    WindowId w = windows->TopWindow();
    for (; w != kNoWindow && !full; w = windows->NextWindow(w)) benchmark::DoNotOptimize(windows->IsVisible(w));
    benchmark::DoNotOptimize(w);
  }
  state.counters["queries"] = benchmark::Counter(static_cast<double>(desktop.m_queries), benchmark::Counter::kAvgIterations);
}

// Keeps the fastest time per benchmark for the ratio printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      auto [it, added] = m_best.try_emplace(run.run_name.function_name, std::numeric_limits<double>::max());
      if (run.GetAdjustedRealTime() < it->second) it->second = run.GetAdjustedRealTime();
    }
  }
  double Best(const std::string& name) const {
    auto it = m_best.find(name);
    return it == m_best.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> m_best;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("BM_RefreshTick", RefreshTick)->Unit(benchmark::kNanosecond);
  benchmark::RegisterBenchmark("BM_BarePlatformQueries", BarePlatformQueries)->Unit(benchmark::kNanosecond);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double tick = reporter.Best("BM_RefreshTick"), bare = reporter.Best("BM_BarePlatformQueries");
  if (tick > 0 && bare > 0) std::printf("refresh tick / bare queries = %.2f\n", tick / bare);
  benchmark::Shutdown();
  return 0;
}
