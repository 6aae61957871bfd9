// A desktop of top-level windows in Z-order, topmost first, that counts the
// queries made of it. Closed windows stay listed but are skipped. A window's
// thread can stall: its show-state requests wait until it wakes.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/title_text.h"
#include "core/window_system.h"

namespace velumix {

class FakeWindowSystem : public WindowSystem {
 public:
  // A show-state change, a move below `above`, or both.
  struct Request {
    Request(ShowCommand command, bool place = false, WindowId above = kNoWindow,  // NOLINT: a bare command converts
            bool changesShow = true)
        : command(command), place(place), above(above), changesShow(changesShow) {}
    ShowCommand command;
    bool place;
    WindowId above;
    bool changesShow;
  };
  struct Window {
    WindowId id;
    std::string title;
    bool visible, exists;
    ProcessId process = kOtherProcess;
    std::u16string program = u"other.exe";
    std::string className = "OwnerWindow";
    bool stalled = false;        // requests queue until Wake
    bool refusesRequests = false;  // its queue is full: a request cannot be made
    std::vector<Request> pending = {};
  };
  static constexpr ProcessId kOtherProcess = 200;
  static constexpr ProcessId kOwnProcess = 100;
  struct Counts {
    int top = 0, next = 0, isVisible = 0, exists = 0, getTitle = 0, show = 0, foreground = 0, program = 0;
  };

  WindowId Add(std::string title, bool visible = true, bool onTop = false) {
    m_nextId += 4;
    m_windows.insert(onTop ? m_windows.begin() : m_windows.end(), Window{m_nextId, std::move(title), visible, true});
    return m_nextId;
  }
  Window& at(WindowId id) { return *Lookup(id); }
  void Destroy(WindowId id) { at(id).exists = false; }
  // The stalled thread gets to its requests.
  void Wake(WindowId id) {
    Window& w = at(id);
    w.stalled = false;
    for (const Request& request : std::exchange(w.pending, {})) Carry(id, request);
  }
  // Its program puts it at the top of the Z-order.
  void Raise(WindowId id) { Carry(id, {ShowCommand::Hide, true, kNoWindow, false}); }
  // The windows that exist, top first.
  std::vector<WindowId> Order() const {
    std::vector<WindowId> ids;
    for (const Window& w : m_windows) {
      if (w.exists) ids.push_back(w.id);
    }
    return ids;
  }

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
  // As the platform reads it: at most 99 characters.
  void GetTitle(WindowId window, char (&title)[kTitleBufferSize]) override {
    ++m_counts.getTitle;
    const Window* w = Lookup(window);
    std::size_t n = w && w->exists ? Utf8PrefixLength(w->title.data(), w->title.size(), kMaxTitleCharacters) : 0;
    if (n) std::memcpy(title, w->title.data(), n);
    title[n] = '\0';
  }
  void ReadClassName(WindowId window, char (&name)[kClassBufferSize]) override {
    const Window* w = Lookup(window);
    std::size_t n = w && w->exists ? std::min(w->className.size(), kClassBufferSize - 1) : 0;
    if (n) std::memcpy(name, w->className.data(), n);
    name[n] = '\0';
  }
  bool Show(WindowId window, ShowCommand command) override {
    ++m_counts.show;
    m_commands.push_back(command);
    if (m_onShow) m_onShow(window, command);
    return Ask(window, {command});
  }
  bool PlaceBelow(WindowId window, WindowId above) override {
    ++m_counts.show;
    return Ask(window, {ShowCommand::Hide, true, above, false});
  }
  bool ShowBelow(WindowId window, WindowId above) override {
    ++m_counts.show;
    m_commands.push_back(ShowCommand::ShowWithoutActivating);
    if (m_onShow) m_onShow(window, ShowCommand::ShowWithoutActivating);
    return Ask(window, {ShowCommand::ShowWithoutActivating, true, above});
  }
  void Activate(WindowId window) override { m_foreground = window; }
  WindowId Foreground() override {
    ++m_counts.foreground;
    return m_foreground;
  }
  ProcessId ProcessOf(WindowId window) override {
    const Window* w = Lookup(window);
    return w && w->exists ? w->process : 0;
  }
  ProcessId OwnProcess() override { return kOwnProcess; }
  std::u16string ProgramFileName(WindowId window) override {
    ++m_counts.program;
    const Window* w = Lookup(window);
    return w && w->exists ? w->program : std::u16string();
  }

  WindowId m_foreground = kNoWindow;
  Counts m_counts;
  std::vector<ShowCommand> m_commands;  // every show-state request, in order
  std::function<void(WindowId, ShowCommand)> m_onShow;  // sees each request as it is made

 private:
  bool Ask(WindowId window, const Request& request) {
    Window* w = Lookup(window);
    if (!w || !w->exists || w->refusesRequests) return false;
    if (w->stalled) {
      w->pending.push_back(request);
    } else {
      Carry(window, request);
    }
    return true;
  }
  void Carry(WindowId window, const Request& request) {
    Window* w = Lookup(window);
    if (request.changesShow) w->visible = request.command != ShowCommand::Hide;
    if (!request.place) return;
    Window moved = *w;
    m_windows.erase(m_windows.begin() + (w - m_windows.data()));
    auto below = std::find_if(m_windows.begin(), m_windows.end(), [&](const Window& x) { return x.id == request.above; });
    m_windows.insert(below == m_windows.end() ? m_windows.begin() : below + 1, moved);
  }
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
