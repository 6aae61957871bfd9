// The two password dialogs. They only carry text in and out; the callers
// compare and retry. Shown again, a dialog keeps its previous entries.
#pragma once

#include <memory>
#include <string>

#include "controls/image_button_win.h"
#include "framework/dialog.h"
#include "lock/lock_state.h"

// OK and Cancel as bitmap buttons, created anew at every showing.
class CPasswordDialogBase : public fw::CDialog {
 public:
  using CDialog::CDialog;

 protected:
  BOOL OnInitDialog() override;
  void OnDestroy();
  velumix::DialogResult RunModal();

  DECLARE_MESSAGE_MAP()

 private:
  std::unique_ptr<CImageButton> m_buttons[2];
};

class CSetPasswordDlg : public CPasswordDialogBase, public velumix::SetPasswordPrompt {
 public:
  explicit CSetPasswordDlg(fw::CWnd* owner);

  velumix::DialogResult Run() override { return RunModal(); }
  const std::string& password() const override { return m_password; }
  const std::string& confirm() const override { return m_confirm; }

  std::string m_password;
  std::string m_confirm;

 protected:
  void DoDataExchange(fw::CDataExchange* pDX) override;
  // A new password must be whole text; the unlock prompt takes any, so that
  // every password stored before still unlocks.
  void OnOK() override;
};

class CUnlockDlg : public CPasswordDialogBase, public velumix::UnlockPrompt {
 public:
  explicit CUnlockDlg(fw::CWnd* owner);

  velumix::DialogResult Run() override { return RunModal(); }
  const std::string& password() const override { return m_password; }

  std::string m_password;

 protected:
  void DoDataExchange(fw::CDataExchange* pDX) override;
};
