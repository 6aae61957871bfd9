// The configuration dialog: the four hot keys, the two options and the lock
// password.
#pragma once

#include <memory>
#include <string>

#include "controls/image_button_win.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "settings/configure_flow.h"
#include "settings/settings_record.h"

class CConfigDlg : public fw::CDialog, public velumix::ConfigDialog {
 public:
  // `record` is the main dialog's settings record: read at every showing,
  // and given the hot keys when the user confirms.
  CConfigDlg(fw::CWnd* parent, velumix::SettingsRecord& record);
  ~CConfigDlg() override;

  velumix::DialogResult Run() override;
  const velumix::ConfigEntries& entries() const override { return m_entries; }

 protected:
  void DoDataExchange(fw::CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnDestroy();
  // Writes or removes the Startup shortcut when the check box asks for a
  // change; false, after saying so, when that could not be done.
  bool ApplyStartWithWindows();

  DECLARE_MESSAGE_MAP()

 private:
  fw::CHotKeyCtrl m_hotKeyShowAll;
  fw::CHotKeyCtrl m_hotKeyLock;
  fw::CHotKeyCtrl m_hotKeyHideCurrent;
  fw::CHotKeyCtrl m_hotKeyHideAll;
  velumix::ConfigEntries m_entries;  // the check boxes and the two passwords
  velumix::SettingsRecord& m_record;
  std::unique_ptr<CImageButton> m_buttons[3];
};
