#include "framework/wnd.h"

#include "framework/crash_guard.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace fw {

namespace {

// The attached objects, by window. Kept in the process: anything kept on
// the window itself (a property) any other program could set on its own
// windows and have taken for one of ours.
std::vector<std::pair<HWND, CWnd*>>& Attached() {
  static std::vector<std::pair<HWND, CWnd*>> attached;
  return attached;
}

std::vector<std::pair<HWND, CWnd*>>::iterator FindAttached(HWND hwnd) {
  auto& attached = Attached();
  return std::find_if(attached.begin(), attached.end(), [&](const auto& a) { return a.first == hwnd; });
}

bool Matches(const MessageEntry& e, UINT id, UINT code) {
  switch (e.kind) {
    case MessageEntry::Kind::Command:
      return code == 0 && id == e.firstId;
    case MessageEntry::Kind::CommandRange:
      return code == 0 && id >= e.firstId && id <= e.lastId;
    case MessageEntry::Kind::Control:
      return code == e.code && id == e.firstId;
    default:
      return false;
  }
}

int g_openOwnedDialogs = 0;

}  // namespace

// ------------------------------------------------------------ owned dialogs

OwnedDialogScope::OwnedDialogScope() { ++g_openOwnedDialogs; }
OwnedDialogScope::~OwnedDialogScope() { --g_openOwnedDialogs; }

int OpenOwnedDialogs() { return g_openOwnedDialogs; }

namespace {

// The innermost modal window is the one still enabled: each one disables its
// owner. Popup menus are not dialogs.
BOOL CALLBACK FindFrontDialog(HWND hwnd, LPARAM found) {
  char cls[8] = {};
  ::GetClassNameA(hwnd, cls, sizeof cls);
  if (!::IsWindowVisible(hwnd) || !::IsWindowEnabled(hwnd) || !::GetWindow(hwnd, GW_OWNER) ||
      std::strcmp(cls, "#32768") == 0) {
    return TRUE;
  }
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

}  // namespace

HWND FrontOwnedDialog() {
  if (g_openOwnedDialogs == 0) return nullptr;
  HWND front = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindFrontDialog, reinterpret_cast<LPARAM>(&front));
  return front;
}

// ---------------------------------------------------------------- CCmdTarget

const MessageMap* CCmdTarget::GetThisMessageMap() {
  static const MessageEntry entries[] = {{MessageEntry::Kind::End, 0, 0, 0, 0, nullptr}};
  static const MessageMap map{nullptr, entries};
  return &map;
}

const MessageEntry* CCmdTarget::FindMessage(UINT message) const {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
    for (const MessageEntry* e = map->entries; e->kind != MessageEntry::Kind::End; ++e) {
      if (e->kind == MessageEntry::Kind::Message && e->message == message) return e;
    }
  }
  return nullptr;
}

const MessageEntry* CCmdTarget::FindCommand(UINT id, UINT code) const {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
    for (const MessageEntry* e = map->entries; e->kind != MessageEntry::Kind::End; ++e) {
      if (Matches(*e, id, code)) return e;
    }
  }
  return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT id, UINT code) {
  const MessageEntry* e = FindCommand(id, code);
  if (!e) return false;
  e->handler(*this, MAKEWPARAM(id, code), 0);
  return true;
}

// ---------------------------------------------------------------------- CWnd

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
  ON_WM_DRAWITEM()
END_MESSAGE_MAP()

CWnd::~CWnd() { UnsubclassWindow(); }

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  auto found = FindAttached(hwnd);
  return hwnd && found != Attached().end() ? found->second : nullptr;
}

// Every window is subclassed, and called on, with the Unicode calls: a
// window procedure set with the ANSI one would have the system convert the
// texts of its messages, a list box's items among them, to 8-bit text.
bool CWnd::SubclassWindow(HWND hwnd) {
  if (!hwnd || m_hWnd || FromHandlePermanent(hwnd)) return false;
  Attached().emplace_back(hwnd, this);
  m_hWnd = hwnd;
  m_life = Life::Live;  // an existing window: made already
  m_superProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWndProc)));
  return true;
}

bool CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  return parent && SubclassWindow(parent->GetDlgItem(static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
  HWND hwnd = std::exchange(m_hWnd, nullptr);
  if (!hwnd) return nullptr;
  if (m_superProc) ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
  m_superProc = nullptr;
  if (auto found = FindAttached(hwnd); found != Attached().end()) Attached().erase(found);
  return hwnd;
}

RECT CWnd::GetWindowRect() const {
  RECT r{};
  ::GetWindowRect(m_hWnd, &r);
  return r;
}

RECT CWnd::GetClientRect() const {
  RECT r{};
  ::GetClientRect(m_hWnd, &r);
  return r;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandlePermanent(hwnd);
  if (!wnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  // A forged one goes nowhere, not even to the default handling: a
  // creation message carries a pointer the caller chose.
  if (!wnd->SystemCouldSend(message)) return 0;

  CurrentMessage outer = std::exchange(wnd->m_current, CurrentMessage{message, wParam, lParam});
  LRESULT result = 0;
  // An exception must not leave through the system's frames: the caller of a
  // sent message's handler may swallow it, and the program would go on half
  // done.
  try {
    result = wnd->WindowProc(message, wParam, lParam);
  } catch (...) {
    DieOfFault();
  }
  wnd->m_current = outer;

  if (message == WM_NCDESTROY) {
    wnd->UnsubclassWindow();
    wnd->PostNcDestroy();
  }
  return result;
}

bool CWnd::SystemCouldSend(UINT message) const {
  switch (message) {
    case WM_NCCREATE:
    case WM_CREATE:
    case WM_INITDIALOG:
      return m_life == Life::Creating;
    case WM_DESTROY:
    case WM_NCDESTROY: {
      // a control goes with its dialog
      CWnd* root = FromHandlePermanent(::GetAncestor(m_hWnd, GA_ROOT));
      return root && root->m_life == Life::Ending;
    }
    default:
      return true;
  }
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && OnCommand(wParam, lParam)) return 0;
  if (const MessageEntry* e = FindMessage(message)) return e->handler(*this, wParam, lParam);
  return Default();
}

LRESULT CWnd::Default() {
  if (!m_superProc) return ::DefWindowProcW(m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
  return ::CallWindowProcW(m_superProc, m_hWnd, m_current.message, m_current.wParam, m_current.lParam);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
  OwnedDialogScope open;
  return ::MessageBoxA(m_hWnd, text, caption, type);
}

bool CWnd::OnCommand(WPARAM wParam, LPARAM /*lParam*/) { return OnCmdMsg(LOWORD(wParam), HIWORD(wParam)); }

void CWnd::DrawItem(DRAWITEMSTRUCT* /*dis*/) {}

void CWnd::OnDrawItem(int /*id*/, DRAWITEMSTRUCT* dis) {
  if (CWnd* control = FromHandlePermanent(dis->hwndItem); control && dis->CtlType != ODT_MENU) {
    control->DrawItem(dis);
    return;
  }
  Default();
}

}  // namespace fw
