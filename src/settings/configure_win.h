// Configure's Win32 side: the configuration dialog, owned by `owner`, and
// the registration of the four global hot keys with the window that
// receives them.
#pragma once

#include <windows.h>

#include "framework/wnd.h"
#include "settings/configure_flow.h"
#include "settings/settings_record.h"

namespace velumix {

void ConfigureWithDialog(SettingsRecord& record, ConfigureHost& host, fw::CWnd* owner);

// Every id is requested whatever its binding, an empty one too; a
// combination another program holds simply never arrives.
void RegisterHotKeys(HWND window, const SettingsRecord& record);
void UnregisterHotKeys(HWND window);

}  // namespace velumix
