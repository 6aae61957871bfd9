#include "ui/tray_icon_win.h"

#include <cstddef>
#include <cstring>
#include <utility>

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

// The thread holds the request until it is answered, however long the icon
// waits for it.
DWORD WINAPI CTrayIcon::Answer(void* request) {
  std::unique_ptr<std::shared_ptr<Request>> held(static_cast<std::shared_ptr<Request>*>(request));
  Request& r = **held;
  r.answer = ::Shell_NotifyIconA(r.message, &r.nid) || (r.orUpdate && ::Shell_NotifyIconA(NIM_MODIFY, &r.nid));
  if (r.done != 0) ::PostMessageA(r.nid.hWnd, r.done, 0, 0);
  return 0;
}

bool CTrayIcon::Start(DWORD message, const NOTIFYICONDATAA& nid, bool orUpdate, UINT done) {
  fw::unique_hicon icon = std::move(m_icon);
  if (m_request) return false;
  auto request = std::make_shared<Request>();
  request->nid = nid;
  request->icon = std::move(icon);
  request->message = message;
  request->orUpdate = orUpdate;
  request->done = done;
  auto held = std::make_unique<std::shared_ptr<Request>>(request);
  m_requestThread.reset(::CreateThread(nullptr, 0, &CTrayIcon::Answer, held.get(), 0, nullptr));
  if (!m_requestThread) return false;
  held.release();
  m_request = std::move(request);
  m_requestOverdue = false;
  return true;
}

bool CTrayIcon::Finish() {
  if (!m_request) return false;
  ULONGLONG start = ::GetTickCount64();
  DWORD wait = m_requestOverdue ? 0 : m_waitBudget.Allowance(start);
  DWORD waited = ::WaitForSingleObject(m_requestThread.get(), wait);
  ULONGLONG end = ::GetTickCount64();
  m_waitBudget.Spend(end, end - start);
  if (waited != WAIT_OBJECT_0) {
    m_requestOverdue = true;
    return false;
  }
  bool answer = m_request->answer;
  m_request.reset();
  m_requestThread.reset();
  return answer;
}

bool CTrayIcon::Ask(DWORD message, const NOTIFYICONDATAA& nid, bool orUpdate) {
  Finish();
  return Start(message, nid, orUpdate, 0) && Finish();
}

void CTrayIcon::BeginAdd(HWND window, bool camouflaged, UINT done) {
  if (IsUp() || m_request) return;
  Fill(window, camouflaged);
  // Without a thread the icon goes up the usual way, when first needed.
  Start(NIM_ADD, m_nid, true, done);
}

// Asked to change nothing, the shell says whether it holds the icon.
void CTrayIcon::ForgetIfGone() {
  if (!IsUp()) return;
  NOTIFYICONDATAA probe = m_nid;
  probe.uFlags = 0;
  if (!Ask(NIM_MODIFY, probe, false)) g_trayIconAdded = 0;
}

bool CTrayIcon::EnsureUp(HWND window, bool camouflaged) {
  if (IsUp()) return true;
  // The shell may hold the icon although it reported the last add as failed.
  bool pending = AddPending();
  bool up = pending ? Finish() : PutUp(window, camouflaged);
  if (up) g_trayIconAdded = 1;
  return up;
}

// A new notification area knows no icon of ours; an old one that only
// repeated the announcement still holds it.
bool CTrayIcon::PutUp(HWND window, bool camouflaged) {
  Fill(window, camouflaged);
  bool up = Ask(NIM_ADD, m_nid, true);
  g_trayIconAdded = up ? 1 : 0;
  return up;
}

bool CTrayIcon::Remove() {
  g_trayIconAdded = 0;
  return Ask(NIM_DELETE, m_nid, false);
}
