#include "settings/configure_win.h"

#include "settings/config_dlg_win.h"
#include "settings/hot_keys.h"

namespace velumix {

void ConfigureWithDialog(SettingsRecord& record, ConfigureHost& host, fw::CWnd* owner) {
  CConfigDlg dialog(owner, record);
  RunConfigure(record, dialog, host);
}

void RegisterHotKeys(HWND window, const SettingsRecord& record) {
  for (int i = 0; i < kHotKeyCount; ++i) {
    ::RegisterHotKey(window, HotKeyAt(i), RegistrationModifiers(record.m_hotMod[i]), record.m_hotKey[i]);
  }
}

void UnregisterHotKeys(HWND window) {
  for (int i = 0; i < kHotKeyCount; ++i) ::UnregisterHotKey(window, HotKeyAt(i));
}

}  // namespace velumix
