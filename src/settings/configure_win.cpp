// Configure and the registration of the global hot keys.
#include "lock/lock_state.h"
#include "resource.h"
#include "settings/hotkeys.h"
#include "settings/app_profile_store_win.h"
#include "settings/config_dlg_win.h"
#include "settings/configure_flow.h"
#include "ui/velumix_dlg_win.h"

namespace {

class MainDialogConfigureHost final : public velumix::ConfigureHost {
 public:
  explicit MainDialogConfigureHost(CVelumixDlg& dlg) : m_dlg(dlg) {}

  void UnregisterHotKeys() override { m_dlg.UnregisterHotKeys(); }
  void RegisterHotKeys() override { m_dlg.RegisterHotKeys(); }
  void ShowPasswordMistake() override {
    m_dlg.MessageBox(velumix::kPasswordMistake, velumix::kOopsCaption, MB_OK | MB_ICONHAND);
  }
  void ReplaceTrayIcon(int camouflage) override { m_dlg.ReplaceTrayIcon(camouflage); }
  void StoreAllSettings() override {
    velumix::AppProfileStore store;
    velumix::StoreAllSettings(store, m_dlg.settings());
  }

 private:
  CVelumixDlg& m_dlg;
};

}  // namespace

void CVelumixDlg::OnConfigure() {
  if (DeferPastTrayMenu(WM_COMMAND, IDC_CONFIGURE, 0)) return;
  // A second configuration behind the first would register the hot keys
  // while the first is open, and the first would register them over again.
  if (DialogOpen() || m_lock.locked()) {
    BringDialogForward();
    return;
  }
  CConfigDlg dialog(this, m_settings);
  MainDialogConfigureHost host(*this);
  velumix::RunConfigure(m_settings, dialog, host);
}

// Every id is requested whatever its binding, an empty one too; a
// combination another program holds simply never arrives.
void CVelumixDlg::RegisterHotKeys() {
  for (int i = 0; i < velumix::kHotKeyCount; ++i) {
    ::RegisterHotKey(m_hWnd, i + 1, velumix::RegistrationModifiers(m_settings.m_hotMod[i]), m_settings.m_hotKey[i]);
  }
}

void CVelumixDlg::UnregisterHotKeys() {
  for (int i = 0; i < velumix::kHotKeyCount; ++i) ::UnregisterHotKey(m_hWnd, i + 1);
}
