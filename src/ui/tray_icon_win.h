// The program's icon in the notification area: the record the shell is
// given, the icon it shows, the start-up's add on a thread of its own, and
// the icon's return when the notification area (re)starts.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

#include "framework/handles.h"

// The icon's callback message: a fixed number, not an offset from WM_USER.
constexpr UINT WM_TRAYNOTIFY = 0x65;

// Set while the icon is up: after the first successful add, and again after
// each add that follows a removal or a restart of the notification area.
extern std::int32_t g_trayIconAdded;

class CTrayIcon {
 public:
  CTrayIcon() = default;
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // The start-up's add, begun as soon as `window` exists, since the shell
  // takes its time over it: the main window shows meanwhile. `done` is
  // posted to the window once the shell has answered.
  void BeginAdd(HWND window, bool camouflaged, UINT done);
  bool AddPending() const { return static_cast<bool>(m_addThread); }

  bool IsUp() const { return g_trayIconAdded == 1; }
  // Puts the icon up unless it is; the start-up's add, if one is under way,
  // is waited for and counts. False when the shell refused it.
  bool EnsureUp(HWND window, bool camouflaged);
  // Another program may have deleted the icon, or the shell have gone without
  // announcing a new one: the icon then counts as down, for EnsureUp to put
  // back.
  void ForgetIfGone();
  // Adds the icon afresh, or updates the one the shell still holds: after a
  // restart of the notification area, or to change its picture.
  bool PutUp(HWND window, bool camouflaged);
  // False when the shell would not remove it.
  bool Remove();

  // The broadcast a notification area sends when it (re)starts: every
  // program puts its icon up again.
  void ListenForShellRestart() { m_shellRestarted = ::RegisterWindowMessageA("TaskbarCreated"); }
  bool IsShellRestart(UINT message) const { return m_shellRestarted != 0 && message == m_shellRestarted; }

 private:
  // Fills the record for the icon that `camouflaged` selects and loads that
  // icon; the shell keeps a copy of its own, so ours goes after the call.
  void Fill(HWND window, bool camouflaged);
  // Adds the icon the record describes, or with `orUpdate` updates one the
  // shell holds.
  bool Send(bool orUpdate);
  // Waits for the start-up's add; false when it failed, or when there was
  // none to wait for.
  bool FinishAdd();
  static DWORD WINAPI AddInBackground(void* icon);

  NOTIFYICONDATAA m_nid{};
  fw::unique_hicon m_icon;
  fw::unique_thread m_addThread;
  HWND m_addDoneWindow = nullptr;
  UINT m_addDone = 0;
  bool m_addResult = false;
  UINT m_shellRestarted = 0;
};
