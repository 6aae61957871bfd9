#include "framework/winapp.h"

#include <commctrl.h>

#include "framework/profile_format.h"
#include "framework/registry_profile.h"

namespace fw {

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const char* appName) {
  if (appName) m_appName = appName;
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

void CWinApp::SetRegistryKey(const char* key) {
  m_registryKey = key;
  m_profile = std::make_unique<RegistryProfile>(m_registryKey, m_appName);
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, UINT defaultValue) {
  return m_profile ? m_profile->GetInt(section, entry, defaultValue) : defaultValue;
}

std::string CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue) {
  return m_profile ? m_profile->GetString(section, entry, defaultValue) : std::string(defaultValue);
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, UINT value) {
  return m_profile && m_profile->WriteInt(section, entry, value);
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) {
  return m_profile && m_profile->WriteString(section, entry, value);
}

int CWinApp::Run(HINSTANCE instance) {
  m_hInstance = instance;
  if (m_appName.empty()) {
    char path[MAX_PATH * 4] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    m_appName = ApplicationNameFromPath(std::string_view(path, length));
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_HOTKEY_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  InitInstance();
  return 0;
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : ::GetModuleHandleA(nullptr); }

}  // namespace fw

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  fw::CWinApp* app = fw::AfxGetApp();
  return app ? app->Run(instance) : 1;
}
