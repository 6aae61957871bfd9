#include "lock/password_dlgs_win.h"

#include "controls/prompts.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(CPasswordDialogBase, fw::CDialog)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL CPasswordDialogBase::OnInitDialog() {
  static constexpr ButtonFaces kFaces[] = {
      {IDCANCEL, IDB_CANCEL_NORMAL, IDB_CANCEL_HOVER, IDB_CANCEL_PRESSED},
      {IDOK, IDB_OK_NORMAL, IDB_OK_HOVER, IDB_OK_PRESSED},
  };
  CreateImageButtons(this, kFaces, m_buttons);
  // Any stored password can be typed, however long; limits first, so that a
  // long entry shown again arrives whole.
  LiftTextLimits({IDC_NEW_PASSWORD, IDC_NEW_PASSWORD_CONFIRM, IDC_UNLOCK_PASSWORD});
  CDialog::OnInitDialog();
  return TRUE;
}

void CPasswordDialogBase::OnDestroy() {
  for (auto& button : m_buttons) button.reset();
  Default();
}

// A dialog that cannot be shown counts as cancelled.
velumix::DialogResult CPasswordDialogBase::RunModal() {
  return CDialog::DoModal() == IDOK ? velumix::DialogResult::Ok : velumix::DialogResult::Cancel;
}

CSetPasswordDlg::CSetPasswordDlg(fw::CWnd* owner) : CPasswordDialogBase(IDD_SET_PASSWORD, owner) {}

void CSetPasswordDlg::DoDataExchange(fw::CDataExchange* pDX) {
  fw::DDX_Text(pDX, IDC_NEW_PASSWORD, m_password);
  fw::DDX_Text(pDX, IDC_NEW_PASSWORD_CONFIRM, m_confirm);
}

void CSetPasswordDlg::OnOK() {
  if (!CheckWholeText({IDC_NEW_PASSWORD, IDC_NEW_PASSWORD_CONFIRM}, velumix::kPasswordNotWholeText,
                      velumix::kOopsCaption)) {
    return;
  }
  CDialog::OnOK();
}

CUnlockDlg::CUnlockDlg(fw::CWnd* owner) : CPasswordDialogBase(IDD_UNLOCK, owner) {}

void CUnlockDlg::DoDataExchange(fw::CDataExchange* pDX) { fw::DDX_Text(pDX, IDC_UNLOCK_PASSWORD, m_password); }
