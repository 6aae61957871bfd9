// Counts every allocation of the process, to show that a timer tick on an
// unchanged desktop allocates nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "core/window_engine.h"
#include "fakes/fake_window_list.h"
#include "fakes/fake_window_system.h"

namespace {
thread_local long t_allocations = 0;
const void* volatile g_escape = nullptr;
}  // namespace

void* operator new(std::size_t size) {
  ++t_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace velumix {
namespace {

TEST(RefreshTick, UnchangedDesktopAllocatesNothing) {
  FakeWindowSystem desktop;
  for (int i = 0; i < kMaxTrackedWindows; ++i) desktop.Add("Window " + std::to_string(i));
  desktop.Add("Hidden", false);
  WindowEngine engine(desktop);
  engine.FillTable();
  FakeWindowList list;

  long before = t_allocations;
  bool rebuilt = engine.RefreshList(list, nullptr);
  long allocations = t_allocations - before;

  EXPECT_FALSE(rebuilt);
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(list.m_resets + list.m_adds, 0);
  EXPECT_EQ(desktop.m_counts.exists, kMaxTrackedWindows);
}

TEST(RefreshTick, CounterSeesAllocations) {
  long before = t_allocations;
  std::string text(64, 'x');
  g_escape = text.data();
  EXPECT_GT(t_allocations - before, 0);
}

}  // namespace
}  // namespace velumix
