#include "ui/tray_icon_win.h"

#include <cstddef>
#include <cstring>

#include "framework/winapp.h"
#include "resource.h"
#include "ui/tray_notify.h"

std::int32_t g_trayIconAdded = 0;

namespace {

// The shell is given the first-version record: its size differs between the
// two builds, and the 32-bit one cannot be run here.
constexpr std::size_t kFirstVersionRecordSize = offsetof(NOTIFYICONDATAA, szTip) + 64;
static_assert(kFirstVersionRecordSize == (sizeof(void*) == 4 ? 88 : 104));

constexpr char kTipShown[] = "Right-click on me!";
constexpr char kTipCamouflaged[] = "I'm still here!";

}  // namespace

void CTrayIcon::Fill(HWND window, bool camouflaged) {
  m_nid = {};
  m_nid.cbSize = kFirstVersionRecordSize;
  m_nid.hWnd = window;
  m_nid.uID = velumix::TRAY_ICON_ID;
  m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_nid.uCallbackMessage = WM_TRAYNOTIFY;
  m_icon.reset(static_cast<HICON>(::LoadImageA(fw::AfxGetInstanceHandle(),
                                               MAKEINTRESOURCEA(camouflaged ? IDI_TRAY_CAMOUFLAGE : IDI_TRAY),
                                               IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
  m_nid.hIcon = m_icon.get();
  const char* tip = camouflaged ? kTipCamouflaged : kTipShown;
  std::strncpy(m_nid.szTip, tip, sizeof m_nid.szTip - 1);
}

bool CTrayIcon::Send(bool orUpdate) {
  return ::Shell_NotifyIconA(NIM_ADD, &m_nid) || (orUpdate && ::Shell_NotifyIconA(NIM_MODIFY, &m_nid));
}

DWORD WINAPI CTrayIcon::AddInBackground(void* icon) {
  auto* self = static_cast<CTrayIcon*>(icon);
  self->m_addResult = self->Send(true);
  ::PostMessageA(self->m_addDoneWindow, self->m_addDone, 0, 0);
  return 0;
}

void CTrayIcon::BeginAdd(HWND window, bool camouflaged, UINT done) {
  if (IsUp() || AddPending()) return;
  Fill(window, camouflaged);
  m_addDoneWindow = window;
  m_addDone = done;
  m_addThread.reset(::CreateThread(nullptr, 0, &CTrayIcon::AddInBackground, this, 0, nullptr));
  // Without a thread the icon goes up the usual way, when first needed.
  if (!m_addThread) m_icon.reset();
}

bool CTrayIcon::FinishAdd() {
  if (!m_addThread) return false;
  ::WaitForSingleObject(m_addThread.get(), INFINITE);
  m_addThread.reset();
  m_icon.reset();
  return m_addResult;
}

// Asked to change nothing, the shell says whether it holds the icon.
void CTrayIcon::ForgetIfGone() {
  NOTIFYICONDATAA probe = m_nid;
  probe.uFlags = 0;
  if (IsUp() && !::Shell_NotifyIconA(NIM_MODIFY, &probe)) g_trayIconAdded = 0;
}

bool CTrayIcon::EnsureUp(HWND window, bool camouflaged) {
  if (IsUp()) return true;
  // The shell may hold the icon although it reported the last add as failed.
  bool pending = AddPending();
  bool up = pending ? FinishAdd() : PutUp(window, camouflaged);
  if (up) g_trayIconAdded = 1;
  return up;
}

// A new notification area knows no icon of ours; an old one that only
// repeated the announcement still holds it.
bool CTrayIcon::PutUp(HWND window, bool camouflaged) {
  FinishAdd();
  Fill(window, camouflaged);
  bool up = Send(true);
  m_icon.reset();
  g_trayIconAdded = up ? 1 : 0;
  return up;
}

bool CTrayIcon::Remove() {
  FinishAdd();
  g_trayIconAdded = 0;
  return ::Shell_NotifyIconA(NIM_DELETE, &m_nid) != FALSE;
}
