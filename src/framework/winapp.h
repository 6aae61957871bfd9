// The application object: the program's entry point, its command map of last
// resort and the per-user profile functions.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/wnd.h"

// The profile functions below are the application's, not the win.ini ones.
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString

namespace fw {

class RegistryProfile;

class CWinApp : public CCmdTarget {
 public:
  // With no name the application takes its executable's file name.
  explicit CWinApp(const char* appName = nullptr);
  ~CWinApp() override;

  // Runs the program. Returning FALSE ends the process at once.
  virtual BOOL InitInstance() { return FALSE; }

  // The three-dimensional control look is the dialog manager's own here.
  void Enable3dControlsStatic() {}

  // Keeps the profile under HKEY_CURRENT_USER\Software\<key>\<app name>.
  void SetRegistryKey(const char* key);
  UINT GetProfileInt(const char* section, const char* entry, UINT defaultValue);
  std::string GetProfileString(const char* section, const char* entry, const char* defaultValue = "");
  BOOL WriteProfileInt(const char* section, const char* entry, UINT value);
  BOOL WriteProfileString(const char* section, const char* entry, const char* value);

  HINSTANCE m_hInstance = nullptr;
  CWnd* m_pMainWnd = nullptr;
  std::string m_appName;
  std::string m_registryKey;

  // Called once by the entry point.
  int Run(HINSTANCE instance);

 private:
  std::unique_ptr<RegistryProfile> m_profile;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();

}  // namespace fw
