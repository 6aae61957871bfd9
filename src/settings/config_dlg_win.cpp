#include "settings/config_dlg_win.h"

#include "controls/prompts.h"
#include "resource.h"
#include "settings/hot_keys.h"
#include "settings/startup_shortcut_win.h"

namespace {
constexpr char kDuplicateHotKeys[] = "There are identical hot keys for different operations. Try again!";
}

BEGIN_MESSAGE_MAP(CConfigDlg, fw::CDialog)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CConfigDlg::CConfigDlg(fw::CWnd* parent, velumix::SettingsRecord& record)
    : CDialog(IDD_CONFIG, parent), m_record(record) {}

CConfigDlg::~CConfigDlg() = default;

velumix::DialogResult CConfigDlg::Run() {
  return CDialog::DoModal() == IDOK ? velumix::DialogResult::Ok : velumix::DialogResult::Cancel;
}

void CConfigDlg::DoDataExchange(fw::CDataExchange* pDX) {
  fw::DDX_Control(pDX, IDC_HOTKEY_SHOWALL, m_hotKeyShowAll);
  fw::DDX_Control(pDX, IDC_HOTKEY_LOCK, m_hotKeyLock);
  fw::DDX_Control(pDX, IDC_HOTKEY_HIDECURRENT, m_hotKeyHideCurrent);
  fw::DDX_Control(pDX, IDC_HOTKEY_HIDEALL, m_hotKeyHideAll);
  fw::DDX_Check(pDX, IDC_START_MINIMIZED, m_entries.startMinimized);
  fw::DDX_Check(pDX, IDC_CAMOUFLAGE, m_entries.camouflage);
  fw::DDX_Text(pDX, IDC_PASSWORD, m_entries.password);
  fw::DDX_Text(pDX, IDC_PASSWORD_CONFIRM, m_entries.confirm);
}

BOOL CConfigDlg::OnInitDialog() {
  static constexpr ButtonFaces kFaces[] = {
      {IDCANCEL, IDB_CANCEL_NORMAL, IDB_CANCEL_HOVER, IDB_CANCEL_PRESSED},
      {IDOK, IDB_OK_NORMAL, IDB_OK_HOVER, IDB_OK_PRESSED},
      {ID_HELP, IDB_HELP_NORMAL, IDB_HELP_HOVER, IDB_HELP_PRESSED},
  };
  CreateImageButtons(this, kFaces, m_buttons);

  m_entries.camouflage = m_record.m_camouflage;
  m_entries.startMinimized = m_record.m_startMinimized;
  m_entries.password = m_record.m_password;
  m_entries.confirm = m_record.m_passwordConfirm;
  LiftTextLimits({IDC_PASSWORD, IDC_PASSWORD_CONFIRM});
  CDialog::OnInitDialog();

  fw::CHotKeyCtrl* controls[velumix::kHotKeyCount] = {&m_hotKeyShowAll, &m_hotKeyLock, &m_hotKeyHideCurrent,
                                                       &m_hotKeyHideAll};
  for (int i = 0; i < velumix::kHotKeyCount; ++i) {
    controls[i]->SetHotKeyValue(velumix::ControlValueFor(m_record.m_hotKey[i], m_record.m_hotMod[i]));
  }
  // What the Startup folder holds now, not a setting.
  velumix::ShellStartupFolder startup;
  const bool starts = velumix::StartsWithWindows(startup, velumix::OwnExecutablePath());
  ::CheckDlgButton(m_hWnd, IDC_START_WITH_WINDOWS, starts ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

void CConfigDlg::OnOK() {
  // Before anything of the record changes: the dialog stays open.
  if (!CheckWholeText({IDC_PASSWORD, IDC_PASSWORD_CONFIRM}, velumix::kPasswordNotWholeText, velumix::kOopsCaption)) {
    return;
  }
  const fw::CHotKeyCtrl* controls[velumix::kHotKeyCount] = {&m_hotKeyShowAll, &m_hotKeyLock, &m_hotKeyHideCurrent,
                                                             &m_hotKeyHideAll};
  velumix::ControlHotKey keys[velumix::kHotKeyCount];
  for (int i = 0; i < velumix::kHotKeyCount; ++i) {
    keys[i] = velumix::ControlHotKeyFromValue(controls[i]->GetHotKeyValue());
  }
  if (velumix::HasDuplicateHotKeys(keys)) {
    MessageBox(kDuplicateHotKeys, velumix::kOopsCaption, MB_OK | MB_ICONHAND);
    return;
  }
  if (!ApplyStartWithWindows()) return;
  velumix::ApplyControlHotKeys(m_record, keys);
  CDialog::OnOK();
}

bool CConfigDlg::ApplyStartWithWindows() {
  // Passwords that differ send the user back to this dialog, which then reads
  // the folder afresh: nothing is changed for an entry that is not taken.
  if (ItemText(IDC_PASSWORD) != ItemText(IDC_PASSWORD_CONFIRM)) return true;
  const bool wanted = ::IsDlgButtonChecked(m_hWnd, IDC_START_WITH_WINDOWS) == BST_CHECKED;
  velumix::ShellStartupFolder startup;
  if (velumix::SetStartWithWindows(startup, velumix::OwnExecutablePath(), wanted) != velumix::StartupChange::Failed) {
    return true;
  }
  MessageBox(wanted ? velumix::kStartupNotWritten : velumix::kStartupNotRemoved, velumix::kOopsCaption,
             MB_OK | MB_ICONHAND);
  return false;
}

// The buttons belong to this showing of the dialog.
void CConfigDlg::OnDestroy() {
  for (auto& button : m_buttons) button.reset();
  Default();
}
