// The engine's view of real windows: titles, existence, visibility and the
// show state calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/window_system_win.h"

namespace {

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size() + 1, L'\0');
  int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n) - 1 : 0);
  return wide;
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// A Unicode window, titled with UTF-8.
class TestWindow {
 public:
  explicit TestWindow(const std::string& title, DWORD style = WS_OVERLAPPEDWINDOW) {
    static ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = ::DefWindowProcW;
      wc.hInstance = ::GetModuleHandleA(nullptr);
      wc.lpszClassName = L"VelumixWinTestWindow";
      return ::RegisterClassW(&wc);
    }();
    (void)atom;
    m_hwnd = ::CreateWindowExW(0, L"VelumixWinTestWindow", Wide(title).c_str(), style, 50, 60, 300, 200, nullptr,
                               nullptr, ::GetModuleHandleA(nullptr), nullptr);
  }
  ~TestWindow() {
    if (::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
  }
  HWND hwnd() const { return m_hwnd; }
  velumix::WindowId id() const { return velumix::ToWindowId(m_hwnd); }

 private:
  HWND m_hwnd;
};

// One character of each width in UTF-8; the last is a surrogate pair in UTF-16.
TEST(Win32WindowSystem, TitlesAreCutAtNinetyNineCharacters) {
  velumix::Win32WindowSystem windows;
  for (const char* character : {"T", "\xD0\x96", "\xE6\x97\xA5", "\xF0\x9F\x8E\xB5"}) {
    TestWindow window(Repeat(character, 150));
    ASSERT_TRUE(window.hwnd());
    char title[velumix::kTitleBufferSize];
    windows.GetTitle(window.id(), title);
    EXPECT_EQ(std::string(title), Repeat(character, 99)) << character;
  }
}

TEST(Win32WindowSystem, TitlesComeAsUtf8) {
  velumix::Win32WindowSystem windows;
  for (const char* text : {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "Song \xF0\x9F\x8E\xB5 Player", "R&D\treport"}) {
    TestWindow window(text);
    char title[velumix::kTitleBufferSize];
    windows.GetTitle(window.id(), title);
    EXPECT_EQ(std::string(title), text);
  }
}

TEST(Win32WindowSystem, EightBitTitlesComeAsUtf8) {
  TestWindow window("");
  ::SetWindowTextA(window.hwnd(), "Caf\xE9 \xE0 la carte");  // code page 1252
  velumix::Win32WindowSystem windows;
  char title[velumix::kTitleBufferSize];
  windows.GetTitle(window.id(), title);
  EXPECT_EQ(std::string(title), "Caf\xC3\xA9 \xC3\xA0 la carte");
}

TEST(Win32WindowSystem, ADestroyedWindowNeitherExistsNorIsVisible) {
  velumix::Win32WindowSystem windows;
  velumix::WindowId id;
  {
    TestWindow window("Short lived");
    ::ShowWindow(window.hwnd(), SW_SHOWNOACTIVATE);
    id = window.id();
    EXPECT_TRUE(windows.Exists(id));
    EXPECT_TRUE(windows.IsVisible(id));
  }
  EXPECT_FALSE(windows.Exists(id));
  EXPECT_FALSE(windows.IsVisible(id));
  char title[velumix::kTitleBufferSize];
  windows.GetTitle(id, title);
  EXPECT_STREQ(title, "");
  windows.Show(id, velumix::ShowCommand::Show);  // has no effect, and must not fail
}

TEST(Win32WindowSystem, ATitleReadTellsWhetherTheWindowExists) {
  velumix::Win32WindowSystem windows;
  char title[velumix::kTitleBufferSize];
  velumix::WindowId id;
  {
    TestWindow titled("Read once");
    TestWindow untitled("");
    id = titled.id();
    EXPECT_TRUE(windows.ReadTitleIfExists(titled.id(), title));
    EXPECT_STREQ(title, "Read once");
    EXPECT_TRUE(windows.ReadTitleIfExists(untitled.id(), title));
    EXPECT_STREQ(title, "");
  }
  EXPECT_FALSE(windows.ReadTitleIfExists(id, title));
  EXPECT_STREQ(title, "");
}

TEST(Win32WindowSystem, HidingAndShowingKeepsPlaceSizeAndState) {
  velumix::Win32WindowSystem windows;
  TestWindow normal("Normal one");
  TestWindow maximized("Maximized one");
  TestWindow minimized("Minimized one");
  ::ShowWindow(normal.hwnd(), SW_SHOWNORMAL);
  ::ShowWindow(maximized.hwnd(), SW_SHOWMAXIMIZED);
  ::ShowWindow(minimized.hwnd(), SW_SHOWMINIMIZED);
  RECT before{};
  ::GetWindowRect(normal.hwnd(), &before);

  for (const TestWindow* w : {&normal, &maximized, &minimized}) windows.Show(w->id(), velumix::ShowCommand::Hide);
  for (const TestWindow* w : {&normal, &maximized, &minimized}) EXPECT_FALSE(windows.IsVisible(w->id()));
  for (const TestWindow* w : {&normal, &maximized, &minimized}) windows.Show(w->id(), velumix::ShowCommand::Show);

  RECT after{};
  ::GetWindowRect(normal.hwnd(), &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_TRUE(::IsZoomed(maximized.hwnd()));
  EXPECT_TRUE(::IsIconic(minimized.hwnd()));
  EXPECT_FALSE(::IsIconic(normal.hwnd()) || ::IsZoomed(normal.hwnd()));
}

TEST(Win32WindowSystem, TheZOrderWalkMeetsEveryTopLevelWindowTopFirst) {
  velumix::Win32WindowSystem windows;
  TestWindow lower("Lower window");
  TestWindow upper("Upper window");
  ::ShowWindow(lower.hwnd(), SW_SHOWNOACTIVATE);
  ::ShowWindow(upper.hwnd(), SW_SHOWNOACTIVATE);
  ::SetWindowPos(upper.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  int upperAt = -1, lowerAt = -1, index = 0;
  for (velumix::WindowId w = windows.TopWindow(); w != velumix::kNoWindow; w = windows.NextWindow(w), ++index) {
    if (w == upper.id()) upperAt = index;
    if (w == lower.id()) lowerAt = index;
  }
  ASSERT_GE(upperAt, 0);
  ASSERT_GE(lowerAt, 0);
  EXPECT_LT(upperAt, lowerAt);
}

// The walk reads the Z-order once; it meets the windows the window manager's
// own chain meets, in that order (then, under Wine, the message-only ones),
// and a walk that is left for one started elsewhere follows the window manager.
TEST(Win32WindowSystem, TheZOrderWalkIsTheWindowManagersChain) {
  velumix::Win32WindowSystem windows;
  TestWindow a("Chain A"), b("Chain B"), c("Chain C");
  for (const TestWindow* w : {&a, &b, &c}) ::ShowWindow(w->hwnd(), SW_SHOWNOACTIVATE);
  // Other programs on the desktop may make or end a window meanwhile: compare
  // a walk with a chain that was the same just before it and just after it.
  auto readChain = [] {
    std::vector<velumix::WindowId> chain;
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) chain.push_back(velumix::ToWindowId(w));
    return chain;
  };
  std::vector<velumix::WindowId> chain, walk;
  for (int attempt = 0; attempt < 20; ++attempt) {
    chain = readChain();
    walk.clear();
    for (velumix::WindowId w = windows.TopWindow(); w != velumix::kNoWindow; w = windows.NextWindow(w)) walk.push_back(w);
    if (readChain() == chain) break;
  }
  // Wine's list goes on with the message-only windows, which are never visible.
  ASSERT_GE(walk.size(), chain.size());
  EXPECT_EQ(std::vector<velumix::WindowId>(walk.begin(), walk.begin() + chain.size()), chain);
  for (auto w = walk.begin() + chain.size(); w != walk.end(); ++w) {
    EXPECT_NE(::GetAncestor(velumix::ToHwnd(*w), GA_PARENT), ::GetDesktopWindow());
    EXPECT_FALSE(::IsWindowVisible(velumix::ToHwnd(*w)));
  }
  ASSERT_GE(chain.size(), 3u);
  windows.TopWindow();
  EXPECT_EQ(windows.NextWindow(chain[2]), chain.size() > 3 ? chain[3] : velumix::kNoWindow);
  EXPECT_EQ(windows.NextWindow(chain.back()), velumix::kNoWindow);
}

}  // namespace
