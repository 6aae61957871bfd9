// A desktop of top-level windows in Z-order, topmost first, that counts the
// queries made of it. Closed windows stay listed but are skipped.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/window_system.h"

namespace velumix {

class FakeWindowSystem : public WindowSystem {
 public:
  struct Window {
    WindowId id;
    std::string title;
    bool visible, exists;
  };
  struct Counts {
    int top = 0, next = 0, isVisible = 0, exists = 0, getTitle = 0, show = 0, foreground = 0;
  };

  WindowId Add(std::string title, bool visible = true, bool onTop = false) {
    m_nextId += 4;
    m_windows.insert(onTop ? m_windows.begin() : m_windows.end(), Window{m_nextId, std::move(title), visible, true});
    return m_nextId;
  }
  Window& at(WindowId id) { return *Lookup(id); }
  void Destroy(WindowId id) { at(id).exists = false; }

  WindowId TopWindow() override {
    ++m_counts.top;
    return FirstExistingFrom(m_windows.begin());
  }
  WindowId NextWindow(WindowId window) override {
    ++m_counts.next;
    auto it = std::find_if(m_windows.begin(), m_windows.end(), [&](const Window& w) { return w.id == window; });
    return it == m_windows.end() ? kNoWindow : FirstExistingFrom(it + 1);
  }
  bool IsVisible(WindowId window) override {
    ++m_counts.isVisible;
    const Window* w = Lookup(window);
    return w && w->exists && w->visible;
  }
  bool Exists(WindowId window) override {
    ++m_counts.exists;
    const Window* w = Lookup(window);
    return w && w->exists;
  }
  // As read into a 100-byte buffer: at most 99 characters.
  void GetTitle(WindowId window, char (&title)[kTitleBufferSize]) override {
    ++m_counts.getTitle;
    const Window* w = Lookup(window);
    std::size_t n = w && w->exists ? std::min(w->title.size(), kTitleBufferSize - 1) : 0;
    if (n) std::memcpy(title, w->title.data(), n);
    title[n] = '\0';
  }
  void Show(WindowId window, ShowCommand command) override {
    ++m_counts.show;
    if (Window* w = Lookup(window); w && w->exists) w->visible = command == ShowCommand::Show;
  }
  WindowId Foreground() override {
    ++m_counts.foreground;
    return m_foreground;
  }

  WindowId m_foreground = kNoWindow;
  Counts m_counts;

 private:
  Window* Lookup(WindowId id) {
    auto it = std::find_if(m_windows.begin(), m_windows.end(), [&](const Window& w) { return w.id == id; });
    return it == m_windows.end() ? nullptr : &*it;
  }
  WindowId FirstExistingFrom(std::vector<Window>::iterator it) {
    it = std::find_if(it, m_windows.end(), [](const Window& w) { return w.exists; });
    return it == m_windows.end() ? kNoWindow : it->id;
  }

  std::vector<Window> m_windows;
  WindowId m_nextId = 0x10000;
};

}  // namespace velumix
