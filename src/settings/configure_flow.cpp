#include "settings/configure_flow.h"

namespace velumix {

void RunConfigure(SettingsRecord& record, ConfigDialog& dialog, ConfigureHost& host) {
  // No hot key may fire while the user is typing new ones into the controls.
  host.UnregisterHotKeys();
  for (DialogResult result = dialog.Run(); result == DialogResult::Ok; result = dialog.Run()) {
    const ConfigEntries& entries = dialog.entries();
    if (entries.password != entries.confirm) {
      host.ShowPasswordMistake();
      continue;
    }
    if (entries.camouflage != record.m_camouflage) host.ReplaceTrayIcon(entries.camouflage);
    record.m_camouflage = entries.camouflage;
    record.m_startMinimized = entries.startMinimized;
    record.m_password = entries.password;
    record.m_passwordConfirm = entries.confirm;
    host.StoreAllSettings();
    break;
  }
  host.RegisterHotKeys();
}

}  // namespace velumix
