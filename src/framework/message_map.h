// Per-class message maps: a static table of entries per class, chained to
// the base class's table. Each entry names a message, a command, a command
// range or a control notification, and a thunk that decodes the message and
// calls the member handler.
#pragma once

#include <windows.h>

namespace fw {

class CCmdTarget;

// Mouse coordinates are signed: a captured pointer left of or above the
// window reports negative values.
inline POINT PointFromLParam(LPARAM lParam) {
  return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

using MessageHandler = LRESULT (*)(CCmdTarget& target, WPARAM wParam, LPARAM lParam);

struct MessageEntry {
  enum class Kind { End, Message, Command, CommandRange, Control };
  Kind kind;
  UINT message;  // Kind::Message
  UINT code;     // Kind::Control: the notification code
  UINT firstId;  // commands and controls
  UINT lastId;
  MessageHandler handler;
};

struct MessageMap {
  const MessageMap* base;
  const MessageEntry* entries;  // ends with Kind::End
};

class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  // Runs the handler of command `id` (notification code 0 for buttons and
  // menus) or of a control notification. True when some handler ran.
  virtual bool OnCmdMsg(UINT id, UINT code);
  bool HasCommandHandler(UINT id) const { return FindCommand(id, 0) != nullptr; }

 protected:
  static const MessageMap* GetThisMessageMap();
  virtual const MessageMap* GetMessageMap() const { return GetThisMessageMap(); }

  const MessageEntry* FindMessage(UINT message) const;
  const MessageEntry* FindCommand(UINT id, UINT code) const;
};

}  // namespace fw

#define DECLARE_MESSAGE_MAP()                       \
 protected:                                         \
  static const fw::MessageMap* GetThisMessageMap(); \
  const fw::MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
  const fw::MessageMap* theClass::GetThisMessageMap() { \
    using ThisClass = theClass;                       \
    using TheBaseClass = baseClass;                   \
    static const fw::MessageEntry entries[] = {

#define END_MESSAGE_MAP()                                                          \
  {fw::MessageEntry::Kind::End, 0, 0, 0, 0, nullptr}                               \
  }                                                                                \
  ;                                                                                \
  static const fw::MessageMap map{TheBaseClass::GetThisMessageMap(), entries};     \
  return &map;                                                                     \
  }

// One entry whose thunk runs `body` with `self` bound to the object.
#define FW_MAP_ENTRY(kind, message, code, first, last, body)                         \
  {fw::MessageEntry::Kind::kind, message, code, first, last,                         \
   [](fw::CCmdTarget& target, [[maybe_unused]] WPARAM wParam,                        \
      [[maybe_unused]] LPARAM lParam) -> LRESULT {                                   \
     auto& self = static_cast<ThisClass&>(target);                                   \
     body                                                                            \
   }},

// Raw messages: LRESULT handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, fn) FW_MAP_ENTRY(Message, message, 0, 0, 0, return self.fn(wParam, lParam);)

// Commands: void handler(); ranges: void handler(UINT id).
#define ON_COMMAND(id, fn) FW_MAP_ENTRY(Command, 0, 0, id, id, self.fn(); return 0;)
#define ON_COMMAND_RANGE(first, last, fn) \
  FW_MAP_ENTRY(CommandRange, 0, 0, first, last, self.fn(LOWORD(wParam)); return 0;)
#define ON_CONTROL(code, id, fn) FW_MAP_ENTRY(Control, 0, code, id, id, self.fn(); return 0;)
#define ON_BN_CLICKED(id, fn) ON_COMMAND(id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)

// Decoded window messages.
#define ON_WM_PAINT() FW_MAP_ENTRY(Message, WM_PAINT, 0, 0, 0, self.OnPaint(); return 0;)
#define ON_WM_DESTROY() FW_MAP_ENTRY(Message, WM_DESTROY, 0, 0, 0, self.OnDestroy(); return 0;)
#define ON_WM_SYSCOMMAND() \
  FW_MAP_ENTRY(Message, WM_SYSCOMMAND, 0, 0, 0, self.OnSysCommand(UINT(wParam), lParam); return 0;)
#define ON_WM_QUERYDRAGICON()                            \
  FW_MAP_ENTRY(Message, WM_QUERYDRAGICON, 0, 0, 0,       \
               return reinterpret_cast<LRESULT>(self.OnQueryDragIcon());)
#define ON_WM_SIZE() \
  FW_MAP_ENTRY(Message, WM_SIZE, 0, 0, 0, self.OnSize(UINT(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;)
#define ON_WM_TIMER() FW_MAP_ENTRY(Message, WM_TIMER, 0, 0, 0, self.OnTimer(UINT_PTR(wParam)); return 0;)
#define ON_WM_DRAWITEM()                                                                   \
  FW_MAP_ENTRY(Message, WM_DRAWITEM, 0, 0, 0,                                              \
               self.OnDrawItem(int(wParam), reinterpret_cast<DRAWITEMSTRUCT*>(lParam)); return TRUE;)
#define ON_WM_MEASUREITEM()                                                                      \
  FW_MAP_ENTRY(Message, WM_MEASUREITEM, 0, 0, 0,                                                 \
               self.OnMeasureItem(int(wParam), reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)); return TRUE;)
#define FW_MOUSE_ENTRY(message, fn)                                                               \
  FW_MAP_ENTRY(Message, message, 0, 0, 0,                                                          \
               self.fn(UINT(wParam), fw::PointFromLParam(lParam)); return 0;)
#define ON_WM_LBUTTONDOWN() FW_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() FW_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_MOUSEMOVE() FW_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_CAPTURECHANGED()                     \
  FW_MAP_ENTRY(Message, WM_CAPTURECHANGED, 0, 0, 0, \
               self.OnCaptureChanged(reinterpret_cast<HWND>(lParam)); return 0;)
