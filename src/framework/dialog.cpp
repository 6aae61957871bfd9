#include "framework/dialog.h"

#include <optional>
#include <utility>

#include "framework/placement.h"
#include "framework/utf16.h"
#include "framework/wide_text.h"
#include "framework/winapp.h"

namespace fw {

namespace {

// The dialog whose window is being created by DoModal on this thread, and
// the hook that attaches it to its window before the first message.
CDialog* g_creatingDialog = nullptr;
HHOOK g_creationHook = nullptr;

// A minimised owner is on the monitor of the place it is restored to.
RECT OwnerMonitorWorkArea(HWND owner) {
  HMONITOR monitor = nullptr;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (owner && ::IsIconic(owner) && ::GetWindowPlacement(owner, &placement)) {
    monitor = ::MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTONEAREST);
  } else if (owner) {
    monitor = ::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
  } else {
    monitor = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  }
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor && ::GetMonitorInfoA(monitor, &info)) return info.rcWork;
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

std::wstring EditText(HWND edit) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
  int copied = ::GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

}  // namespace

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (!control.m_hWnd) control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
  HWND edit = pDX->m_pDlgWnd->GetDlgItem(id);
  if (!pDX->m_bSaveAndValidate) {
    ::SetWindowTextW(edit, WideFromUtf8(value).c_str());
    return;
  }
  value = Utf8FromWide(EditText(edit));
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
  HWND dlg = pDX->m_pDlgWnd->m_hWnd;
  if (pDX->m_bSaveAndValidate) {
    value = ::IsDlgButtonChecked(dlg, id) == BST_CHECKED ? 1 : 0;
  } else {
    ::CheckDlgButton(dlg, id, value ? BST_CHECKED : BST_UNCHECKED);
  }
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, OnOK)
  ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

INT_PTR CDialog::DoModal() {
  HWND owner = nullptr;
  if (m_pParentWnd) {
    owner = m_pParentWnd->m_hWnd;
  } else if (CWnd* main = AfxGetMainWnd(); main && main != this) {
    owner = main->m_hWnd;
  }

  // The main dialog is the program's life; every other one is open over it.
  std::optional<OwnedDialogScope> open;
  if (owner) open.emplace();
  g_creatingDialog = this;
  g_creationHook = ::SetWindowsHookExA(WH_CBT, &CDialog::CreationHook, nullptr, ::GetCurrentThreadId());
  // A Unicode dialog, so that its controls keep the texts of other programs' windows whole.
  INT_PTR result = ::DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), owner,
                                     &CDialog::DialogProc, 0);
  if (g_creationHook) ::UnhookWindowsHookEx(std::exchange(g_creationHook, nullptr));
  g_creatingDialog = nullptr;
  // A dialog that could not be made was destroyed without EndDialog: its
  // last message was not taken for the system's.
  if (m_hWnd && !::IsWindow(m_hWnd)) UnsubclassWindow();
  return result;
}

LRESULT CALLBACK CDialog::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_creatingDialog) {
    // The first window created is the dialog itself; its controls follow.
    CDialog* dialog = std::exchange(g_creatingDialog, nullptr);
    if (dialog->SubclassWindow(reinterpret_cast<HWND>(wParam))) dialog->m_life = Life::Creating;
    ::UnhookWindowsHookEx(std::exchange(g_creationHook, nullptr));
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Every message reaches the object through its window procedure first; the
// dialog procedure behind it leaves all of them to the dialog manager.
INT_PTR CALLBACK CDialog::DialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_INITDIALOG) return CWnd::WindowProc(message, wParam, lParam);
  m_life = Life::Live;  // once: another one is not the system's
  HideHelpButtonWithoutHandler();
  RECT before = GetWindowRect();
  BOOL result = OnInitDialog();
  CenterIfNotMoved(before);
  return result;
}

bool CDialog::OnCmdMsg(UINT id, UINT code) {
  if (CWnd::OnCmdMsg(id, code)) return true;
  if (code != 0) return false;
  if (CWnd* owner = FromHandlePermanent(::GetWindow(m_hWnd, GW_OWNER)); owner && owner->OnCmdMsg(id, code)) {
    return true;
  }
  CWinApp* app = AfxGetApp();
  return app && app->OnCmdMsg(id, code);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange dx{saveAndValidate, this};
  DoDataExchange(&dx);
  return true;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange* /*pDX*/) {}

void CDialog::LiftTextLimits(std::initializer_list<int> editIds) {
  for (int id : editIds) ::SendMessageA(GetDlgItem(id), EM_SETLIMITTEXT, 0, 0);
}

bool CDialog::CheckWholeText(std::initializer_list<int> editIds, const char* message, const char* caption) {
  for (int id : editIds) {
    HWND edit = GetDlgItem(id);
    std::wstring text = EditText(edit);
    if (IsWholeUtf16(text.data(), text.size())) continue;
    MessageBox(message, caption, MB_OK | MB_ICONHAND);
    ::SetFocus(edit);
    return false;
  }
  return true;
}

std::wstring CDialog::ItemText(int id) const { return EditText(GetDlgItem(id)); }

// A Help button stays visible only where some window answers its command.
void CDialog::HideHelpButtonWithoutHandler() {
  HWND help = GetDlgItem(ID_HELP);
  if (!help) return;
  CWnd* main = AfxGetMainWnd();
  CWinApp* app = AfxGetApp();
  bool handled = (main && main->HasCommandHandler(ID_HELP)) || (app && app->HasCommandHandler(ID_HELP));
  if (!handled) ::ShowWindow(help, SW_HIDE);
}

// A dialog that its initialisation did not move is centred over its owner,
// or over the work area when the owner is hidden, minimised or absent, and
// kept inside the work area of the monitor its owner is on.
void CDialog::CenterIfNotMoved(const RECT& before) {
  RECT now = GetWindowRect();
  if (now.left != before.left || now.top != before.top) return;

  HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  RECT work = OwnerMonitorWorkArea(owner);
  RECT area = work;
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &area);
  Place at = CentreWithin({area.left, area.top, area.right, area.bottom}, now.right - now.left, now.bottom - now.top,
                          {work.left, work.top, work.right, work.bottom});
  ::SetWindowPos(m_hWnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace fw
