// A window object: wraps one HWND, receives its messages through the class's
// message map and passes everything else on to the window's original
// procedure.
#pragma once

#include <windows.h>

#include "framework/message_map.h"

// The help command: a dialog's button with this id stays visible only where
// the main window or the application handles the command.
#ifndef ID_HELP
#define ID_HELP 57670
#endif

namespace fw {

// Dialogs and message boxes that the program has open over one of its own
// windows, each running a modal loop of its own, and the one of them that is in
// front (null when none is).
int OpenOwnedDialogs();
HWND FrontOwnedDialog();

// Counts an owned dialog or message box as open for its lifetime.
class OwnedDialogScope {
 public:
  OwnedDialogScope();
  ~OwnedDialogScope();
  OwnedDialogScope(const OwnedDialogScope&) = delete;
  OwnedDialogScope& operator=(const OwnedDialogScope&) = delete;
};

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;

  HWND m_hWnd = nullptr;

  // The object attached to `hwnd`, or null for a window without one.
  static CWnd* FromHandlePermanent(HWND hwnd);

  // Attaches the object to an existing window and routes its messages here.
  bool SubclassWindow(HWND hwnd);
  bool SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) {
    return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
  }
  RECT GetWindowRect() const;
  RECT GetClientRect() const;
  BOOL InvalidateRect(const RECT* rect, BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, rect, erase); }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, msg, wParam, lParam);
  }
  BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageA(m_hWnd, msg, wParam, lParam);
  }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  // A message box owned by this window; it counts as an open dialog while it runs.
  int MessageBox(const char* text, const char* caption, UINT type);
  HMENU GetSystemMenu(BOOL revert) const { return ::GetSystemMenu(m_hWnd, revert); }
  void SetIcon(HICON icon, BOOL big) { SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)); }

 protected:
  // Dispatches one message: commands through OnCommand, the rest through the
  // message map, and what no entry takes to Default().
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The original procedure's handling of the message being dispatched.
  LRESULT Default();

  // WM_COMMAND: true when a handler took it.
  virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
  // Owner-draw requests that the parent passes on to the control object.
  virtual void DrawItem(DRAWITEMSTRUCT* dis);
  // Last message of the window, after the object has been detached.
  virtual void PostNcDestroy() {}

  // Where the window is in its life, as the messages the system alone sends
  // it (creation, dialog initialisation, destruction) may arrive only in
  // their own stage: any other program can post them, or send them from its
  // own thread, at any time.
  enum class Life { Creating, Live, Ending };
  Life m_life = Life::Live;

  // Default owner-draw handling: reflect to the control object, if any.
  void OnDrawItem(int id, DRAWITEMSTRUCT* dis);

  DECLARE_MESSAGE_MAP()

 private:
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };

  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // False for a message the system alone sends that it cannot be sending now.
  bool SystemCouldSend(UINT message) const;

  WNDPROC m_superProc = nullptr;
  CurrentMessage m_current{};
};

}  // namespace fw
