// The program's icon in the notification area: the record the shell is
// given, the icon it shows, the start-up's add, and the icon's return when the
// notification area (re)starts. Every request to the shell is made on a
// thread of its own and waited for a bounded time: under Wine a request is a
// SendMessage to whichever Shell_TrayWnd is found first, and the program that
// owns it may have stopped answering.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>

#include "framework/handles.h"
#include "ui/shell_wait_budget.h"

// The icon's callback message: a fixed number, not an offset from WM_USER.
constexpr UINT WM_TRAYNOTIFY = 0x65;

// Set while the icon is up: after the first successful add, and again after
// each add that follows a removal or a restart of the notification area.
extern std::int32_t g_trayIconAdded;

// How long the program waits for the shell to answer a request. Wine's
// notification area answers in a few milliseconds; one that has not answered
// in this time is taken for hung, and the request for failed.
constexpr DWORD kShellAnswerMs = 500;
// And how long all the waits together: a second at once, and a tenth of the
// time beyond. A request that the budget leaves no time for counts as not
// answered in time, as with a hung shell.
constexpr DWORD kShellBurstMs = 1000;
constexpr DWORD kShellShareDivisor = 10;

class CTrayIcon {
 public:
  CTrayIcon() = default;
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // The start-up's add, begun as soon as `window` exists, since the shell
  // takes its time over it: the main window shows meanwhile. `done` is
  // posted to the window once the shell has answered.
  void BeginAdd(HWND window, bool camouflaged, UINT done);
  bool AddPending() const { return m_request && m_request->done != 0; }

  bool IsUp() const { return g_trayIconAdded == 1; }
  // Puts the icon up unless it is; the start-up's add, if one is under way,
  // is waited for and counts. False when the shell refused it or did not
  // answer in time.
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
  // One request with its own copy of the record and of the icon, shared with
  // the thread that makes it: a request the shell never answers outlives the
  // wait for it, and the icon must live as long as the request.
  struct Request {
    NOTIFYICONDATAA nid{};
    fw::unique_hicon icon;
    DWORD message = 0;
    // An add that fails updates instead the icon the shell already holds.
    bool orUpdate = false;
    UINT done = 0;  // posted to the icon's window when answered; 0 for none
    bool answer = false;
  };

  // Fills the record for the icon that `camouflaged` selects and loads that
  // icon; the shell keeps a copy of its own, so ours goes with the request.
  void Fill(HWND window, bool camouflaged);
  // Starts `message` for the record on a thread of its own. False when there
  // is no thread for it, or while the shell has not answered the last request:
  // a shell that hangs is asked nothing more until it answers.
  bool Start(DWORD message, const NOTIFYICONDATAA& nid, bool orUpdate, UINT done);
  // The shell's answer to the request under way, waited for kShellAnswerMs at
  // most (less when the budget runs low), and not again once that wait has
  // run out. False when the shell refused it, did not answer in time, or
  // there was no request.
  bool Finish();
  // Starts a request and waits for its answer; a request still under way is
  // waited for first, and its answer dropped.
  bool Ask(DWORD message, const NOTIFYICONDATAA& nid, bool orUpdate);
  static DWORD WINAPI Answer(void* request);

  NOTIFYICONDATAA m_nid{};
  fw::unique_hicon m_icon;
  std::shared_ptr<Request> m_request;
  fw::unique_thread m_requestThread;
  // The wait for the request under way has run out once already.
  bool m_requestOverdue = false;
  velumix::ShellWaitBudget m_waitBudget{kShellAnswerMs, kShellBurstMs, kShellShareDivisor};
  UINT m_shellRestarted = 0;
};
